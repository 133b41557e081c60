#pragma once

#include "vocab/vocabulary.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class LocalGUI;

/// The program's main class. It is used only through its class-level
/// members: the one catalogue of the process, the code lists, the loader and
/// the pause. Everything here is constant-initialised, so it exists before
/// any other code runs.
class Rovadod {
public:
    /// A catalogue slot: unset until the loader fills it, and an unset slot
    /// is different from the empty text.
    using Text = std::optional<std::string>;
    static constexpr int maxlines = 699;
    using Column = std::array<Text, maxlines>;

    /// Receives every message of the loader; each call replaces the whole
    /// text of the output area.
    using Output = std::function<void(const std::string&)>;
    /// Pauses the calling thread for a number of milliseconds.
    using Pause = void (*)(int);

    static constexpr std::string_view filename = "ptolemy.csv";
    static constexpr std::string_view prodtitle = "Rovadod - Ptolemaic Bronze Coin Attribution";

    static inline LocalGUI* lgui = nullptr;

    static inline Column database;
    /// Published with a release store once every column of every entry is
    /// filled; readers take it once with an acquire load.
    static inline std::atomic<std::int32_t> numentries{0};

    static inline Column SV, Den, Dia, PLT, PNum, GAE, COP, WSR, SVCt, WMin, WMax, LM, OFig, OIns,
        RFig, RLF, RFigE, CMK, LegMgm, LFMgm, RFMgm;

    /// The 21 columns in the order of the file's fields, `SV` first.
    static constexpr std::array<Column*, 21> columns()
    {
        return {&SV, &Den,  &Dia,  &PLT,  &PNum, &GAE,   &COP, &WSR,    &SVCt,  &WMin, &WMax,
                &LM, &OFig, &OIns, &RFig, &RLF,  &RFigE, &CMK, &LegMgm, &LFMgm, &RFMgm};
    }

    static constexpr const auto& OFigType = vocab::OFigCodes;
    static constexpr const auto& OInsType = vocab::OInsCodes;
    static constexpr const auto& RFigType = vocab::RFigCodes;
    static constexpr const auto& RLFType = vocab::RLFCodes;
    static constexpr const auto& RFigEType = vocab::RFigECodes;
    static constexpr const auto& CMKType = vocab::CMKCodes;

    /// Cursor into, and length of, the line being split. 64-bit, so that a
    /// line of any length a file can hold is split without overflow.
    static inline std::int64_t l = 0;
    static inline std::int64_t len = 0;

    /// The program's entry: builds the window, loads the catalogue on a
    /// thread of its own and runs the event loop. Arguments are ignored.
    static int main(int argc, char** argv);

    /// Suspends the calling thread for `ms` milliseconds (none when 0 or
    /// negative).
    static void DelayT(int ms);

    /// Reads `filename` from the working directory into `database` and the
    /// 21 columns, writing its progress and result through `out` and pausing
    /// with `pause` for 3000 ms after an error.
    static void GetDatabase(const Output& out, Pause pause = &DelayT);

    /// `GetDatabase` for a catalogue at `path` instead of `filename`, for
    /// tools that check a catalogue kept elsewhere.
    static void GetDatabaseFrom(const std::string& path, const Output& out, Pause pause = &DelayT);

    /// Splits lines 0 .. `n` - 1 of `database` into the columns, with the
    /// load-time replacements ("n/a", "mm", ".", "-NONE-").
    static void MakeStringDatabase(std::int32_t n);

    /// Next field of `line` after the comma at `l`, double quotes removed.
    static std::string getnext(std::string_view line);

    /// Returns every slot to unset and `numentries` to 0, as before the first
    /// load. No search may run meanwhile.
    static void ClearCatalogue();
};
