// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/bounded_text.h"

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vocab {
struct Attribute;
}

class QCloseEvent;

/// The program's one window: six lists that describe a coin, their labels
/// and the read-only output area "textarea". Children sit at fixed pixel
/// bounds; there is no layout, so resizing the window moves nothing.
/// Closing the window pauses, then ends the application's event loop.
class LocalGUI : public QWidget {
    Q_OBJECT

public:
    LocalGUI();
    ~LocalGUI() override;
    LocalGUI(const LocalGUI&) = delete;
    LocalGUI& operator=(const LocalGUI&) = delete;

    /// Replaces the whole text of the output area. GUI thread only.
    void replaceText(const std::string& text);

    /// Replaces the whole text from any thread; writes reach the window in
    /// the order they were posted. The window must outlive the call.
    void postText(const std::string& text);

    /// Pauses the calling thread for `ms` milliseconds.
    static void DelayT(int ms);

    static inline const QColor backcol{120, 160, 240};
    static constexpr int width = 530;
    static constexpr int fontheight = 15;

    /// Text with a longer stretch (in UTF-16 units) without a line-break
    /// opportunity wraps anywhere instead of at line-break opportunities.
    static constexpr int maxWordLength = ui::maxWordLength;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    /// Runs one search over all six lists; one per list, all alike.
    class Lookup {
    public:
        explicit Lookup(LocalGUI* window) : window_(window) {}
        void itemStateChanged(int position);

    private:
        LocalGUI* window_;
    };

    /// One attribute's row: its list, the label beside it, their object
    /// names and the attribute the list selects.
    struct ListRow {
        QComboBox& list;
        QLabel& label;
        const char* listName;
        const char* labelName;
        const vocab::Attribute& attribute;
    };
    /// The six rows in attribute order.
    std::array<ListRow, 6> rows();

    void windowClosing();
    /// Shows write number `write` unless a later write is already shown.
    void showWrite(std::uint64_t write, const std::string& text);

    static constexpr int ch = 24;
    static constexpr int lw = 180;
    static constexpr int cw = 300;

    QComboBox ofigchoice{this};
    QComboBox oinschoice{this};
    QComboBox rfigchoice{this};
    QComboBox rlfchoice{this};
    QComboBox rfigechoice{this};
    QComboBox cmkchoice{this};
    QLabel olabel{"  >OBVERSE<", this};
    QLabel rlabel{"  >REVERSE<", this};
    QLabel ofiglabel{"Main Figure", this};
    QLabel oinslabel{"Inscription Present", this};
    QLabel rfiglabel{"Main Figure", this};
    QLabel rlflabel{"Left Field Symbols", this};
    QLabel rfigelabel{"Right Side Symbols", this};
    QLabel cmklabel{"CounterMark Symbol", this};
    /// Only ever written as a whole (`replaceText`, `postText`).
    ui::BoundedTextArea textarea{this};

    std::array<std::unique_ptr<Lookup>, 6> lookups_;
    // Writes are numbered when they are made, from any thread, so that a
    // loader message still queued when a search writes cannot cover the
    // search's later result.
    std::atomic<std::uint64_t> writes_{0};
    std::uint64_t shownWrite_ = 0;
};
