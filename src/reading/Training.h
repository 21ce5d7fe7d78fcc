#pragma once
// The point-reading window: a small modal window that stays on top while the pen is used. It installs the
// key watcher with its parent, the main window, as the receiver of the pen's codes, keeps the focus on the
// reading log (which swallows the keys), and lists each text the main window sends it with the time.
#include "platform/gui/Dialog.h"

#include <string>
#include <string_view>
#include <vector>

class CGridListCtrlEx1;

class CTraining : public CDialog {
    Q_OBJECT
public:
    explicit CTraining(QWidget* parent = nullptr);
    ~CTraining() override;

    static constexpr int kResetRows = 20;           // blank rows after a reset
    static constexpr int kGrowRows = 8;             // blank rows added when the last one is reached
    static constexpr int kMaxRows = 5000;           // beyond this the log starts over instead of growing
    static constexpr std::size_t kLineLimit = 4095; // bytes of one line kept

    CGridListCtrlEx1* m_LogList = nullptr;

    // Appends a text (GBK): the time in the first row, its lines one per row. Returns 0.
    LRESULT AppendLog(const char* text);
    // Empties the log back to its blank rows.
    void ResetLog();
    // Makes sure a blank row is ready below the next one to fill.
    void EnsureLogRow();

    // The texts AppendLog gives rows, one per line of the text (GBK, each cut to kLineLimit bytes).
    static std::vector<std::string_view> SplitLines(std::string_view text);
    // The current local time as "YYYY-MM-DD hh:mm:ss".
    static QString TimeStamp();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    LRESULT WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override;
};
