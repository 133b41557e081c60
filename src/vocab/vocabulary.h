// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>
#include <string_view>

/// The six fixed attribute vocabularies: what each drop-down list shows and
/// the catalogue code that each position stands for. Position p of a list
/// selects element p of its code list.
namespace vocab {

inline constexpr std::array<std::string_view, 20> OFigText{
    "Zeus with Ammon Horn",
    "Zeus Laureate",
    "Alexander in Lionskin",
    "Alexander in Elephantskin",
    "Deified Alexander w/Horn",
    "Bust of Apollo",
    "Other Male (Ruler) Head",
    "Two Heads",
    "Arsinoe - Female Ruler",
    "Berenike - Female Ruler",
    "Kleopatra - Female Ruler",
    "Goddess Isis",
    "Goddess Aphrodite in Polos",
    "Goddess Aphrodite in Stephane",
    "Goddess Athena in Helmet",
    "Goddess Tyche",
    "Ram",
    "Crocodile",
    "Thunderbolt",
    "Inscription Only",
};
// The 21st code "X" has no display entry: catalogue rows coded "X" can
// never be selected, which the catalogue checker reports.
inline constexpr std::array<std::string_view, 21> OFigCodes{
    "1", "2", "3", "4", "6", "5", "7", "8", "0", "A", "F",
    "9", "G", "H", "C", "J", "D", "K", "E", "I", "X",
};

inline constexpr std::array<std::string_view, 2> OInsText{"No", "Yes"};
inline constexpr std::array<std::string_view, 2> OInsCodes{"1", "2"};

inline constexpr std::array<std::string_view, 34> RFigText{
    "1 Eagle <L Closed Wing - Head <L",
    "1 Eagle <L Closed Wing - Head R>",
    "1 Eagle <L Open Wing - Head <L",
    "1 Eagle <L Open Wing - Head R>",
    "1 Eagle R> Closed Wing",
    "1 Eagle R> Open Wing",
    "2 Eagles <L Closed Wings",
    "Rovadod Head",
    "Mark Antony Bust",
    "Zeus/Herakles",
    "Asklepios",
    "Nike Standing",
    "Marathos Standing",
    "Poseidon in Quadriga",
    "Berenike Head",
    "Kleopatra Head",
    "Libya Head",
    "Aphrodite Statue",
    "Artemis Bust",
    "Athena Advancing",
    "Tyche Seated",
    "Single Cornucopia",
    "Double Cornucopia",
    "Club",
    "Ship Prow",
    "Axe in Fasces",
    "Isis Headdress",
    "Pegasos",
    "Sylphium Plant",
    "Thunderbolt",
    "Inscription Only",
    "Crab",
    "Crocodile",
    "Deer Kneeling",
};
// Both "1 Eagle R>" entries share "5"; "Deer Kneeling" takes "Q", a code no
// other reverse figure uses.
inline constexpr std::array<std::string_view, 34> RFigCodes{
    "1", "2", "3", "4", "5", "5", "6", "H", "R", "J", "9", "M", "G", "V", "C", "W", "0",
    "7", "I", "S", "P", "E", "F", "D", "8", "U", "K", "B", "A", "N", "O", "L", "T", "Q",
};

inline constexpr std::array<std::string_view, 38> RLFText{
    "None",
    "Single Cornucopia",
    "Double Cornucopia",
    "Double Cornucopia and Club",
    "Club",
    "Club and Monogram(s)",
    "Lotus Blossom",
    "Lotus and Monogram(s)",
    "Thunderbolt",
    "Tripod",
    "Shield",
    "Shield and Monogram(s)",
    "Monogram(s) Only",
    "Aplustre",
    "Harpa",
    "Harpa and Monogram(s)",
    "Trident",
    "Sylphium Plant",
    "Star",
    "Star and Monogram(s)",
    "Crested Helmet",
    "Crested Helmet and Mgm(s)",
    "Eagle",
    "Petasos",
    "Owl",
    "Bee",
    "Wreath",
    "Akrostolion",
    "Akrostolion and Monogram(s)",
    "Grape Cluster",
    "Dolphin",
    "Anchor",
    "Horse Head",
    "Isis Headdress",
    "Barley Stalk",
    "Dioscuri Cap",
    "Astragolos",
    "Helmet of Perseus",
};
// A combined symbol's code is its parts' codes in a row ("34" is "3" then
// "4"); "...and Monogram(s)" appends "0".
inline constexpr std::array<std::string_view, 38> RLFCodes{
    "1", "2", "3",  "34", "4", "40", "5",  "50", "6",  "7", "8", "80", "0",
    "9", "A", "A0", "B",  "C", "D",  "D0", "E",  "E0", "F", "G", "H",  "I",
    "J", "K", "K0", "L",  "M", "N",  "O",  "P",  "Q",  "R", "S", "T",
};

inline constexpr std::array<std::string_view, 14> RFigEText{
    "None",
    "Single Cornucopia on Eagle Shoulder",
    "Double Cornucopia on Eagle Shoulder",
    "Sceptre or Kerykeion Through Eagle",
    "Palm Branch over Eagle Shoulder",
    "Eagle in Right Field",
    "Double Cornucopia in Right Field",
    "Petasos in Right Field",
    "Star in Right Field",
    "Anchor in Right Field",
    "Sylphium Plant in Right Field",
    "Dioscuri Cap in Right Field",
    "Phoenician Script Date at Right",
    "Monogram to Right",
};
inline constexpr std::array<std::string_view, 14> RFigECodes{
    "1", "2", "3", "4", "8", "5", "7", "0", "A", "B", "C", "D", "6", "E",
};

inline constexpr std::array<std::string_view, 8> CMKText{
    "None",     "Cornucopia", "Anchor",           "Trident",
    "Pan Head", "Eagle",      "Letters/Monogram", "Indeterminate",
};
// "7" and "8" follow the countermark names the catalogue keepers use for
// "Letters/Mgm" and "Indeterminate".
inline constexpr std::array<std::string_view, 8> CMKCodes{
    "1", "2", "3", "4", "5", "6", "7", "8",
};

/// One attribute of a coin: its list's texts and the codes they select.
struct Attribute {
    std::string_view section; ///< "Obverse" or "Reverse"
    std::string_view label;   ///< the label beside the list, e.g. "Main Figure"
    std::string_view what;    ///< how a keeper names it, e.g. "obverse main figure"
    std::string_view option;  ///< its command-line name, e.g. "obverse-figure"
    std::span<const std::string_view> texts;
    std::span<const std::string_view> codes;

    /// Number of selectable positions (the display entries).
    [[nodiscard]] int count() const { return static_cast<int>(texts.size()); }

    /// Code selected by list position `pos`; empty (matches nothing) when
    /// `pos` is not a position of the list.
    [[nodiscard]] std::string_view code(int pos) const
    {
        return pos >= 0 && pos < count() ? codes[static_cast<std::size_t>(pos)]
                                         : std::string_view{};
    }
};

inline constexpr int attributeCount = 6;

/// The six attributes in the order a search evaluates them: obverse figure,
/// obverse inscription, reverse figure, left field, right side, countermark.
inline constexpr std::array<Attribute, attributeCount> attributes{{
    {"Obverse", "Main Figure", "obverse main figure", "obverse-figure", OFigText, OFigCodes},
    {"Obverse", "Inscription Present", "obverse inscription", "inscription", OInsText, OInsCodes},
    {"Reverse", "Main Figure", "reverse main figure", "reverse-figure", RFigText, RFigCodes},
    {"Reverse", "Left Field Symbols", "reverse left field symbol", "left-field", RLFText, RLFCodes},
    {"Reverse", "Right Side Symbols", "reverse right side symbol", "right-side", RFigEText,
     RFigECodes},
    {"Reverse", "CounterMark Symbol", "countermark", "countermark", CMKText, CMKCodes},
}};

} // namespace vocab
