#include "reading/Training.h"

#include "controls/GridListCtrlEx1.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "platform/gui/DialogTemplate.h"
#include "reading/KeyboardHook.h"

#include <QHeaderView>
#include <cstdio>
#include <ctime>

CTraining::CTraining(QWidget* parent) : CDialog(132, parent) {
    Builder().setFactory(1006, [this](const DialogControl&, QWidget* p) {
        m_LogList = new CGridListCtrlEx1(p);
        return m_LogList;
    });
    // However the run ends, the window is gone for the user: the pen goes quiet with it.
    connect(this, &QDialog::finished, this, [] { UnhookKeyboard(); });
}

CTraining::~CTraining() {
    UnhookKeyboard();
}

void CTraining::DoDataExchange(CDataExchange& dx) {
    (void)dx;
}

bool CTraining::OnInitDialog() {
    m_LogList->m_Highlight = 2;
    m_LogList->m_Color1 = QColor(248, 244, 248);
    m_LogList->m_Color2 = QColor(191, 252, 204);
    m_LogList->viewport()->update();
    m_LogList->setShowGrid(true);
    m_LogList->setSelectionBehavior(QAbstractItemView::SelectRows);

    // Widths for the classic dialog font, scaled to ours so the time stamp fits.
    const DialogBaseUnits units = dialogBaseUnits(font());
    m_LogList->InsertColumn(0, uiText("时间"), classicPixelsToPixels(140, units));
    m_LogList->InsertColumn(1, uiText("内容"), classicPixelsToPixels(400, units));

    nameControl(m_LogList, uiText("点读记录"));
    m_LogList->m_RowCount = 10;
    ResetLog();

    DoHook_KeyBoard(parentWidget());

    // No input method may hold back the pen's digits, whichever control has the focus.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    for (QWidget* w : findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus)
            w->setAttribute(Qt::WA_InputMethodEnabled, false);

    m_LogList->setFocus(Qt::OtherFocusReason);
    // Stays above the other windows, where it is.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return true;
}

LRESULT CTraining::WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (msg) {
    case UM_LOG_TEXT:
        return AppendLog(reinterpret_cast<const char*>(wParam));
    case UM_CLEAR_LOG:
        ResetLog();
        return 0;
    default:
        return 0;
    }
}

void CTraining::ResetLog() {
    m_LogList->DeleteAllItems();
    // (The platform's count hint of 120 rows has no counterpart here.)
    m_LogList->m_RowCount = kResetRows;
    m_LogList->InsertItems(0, kResetRows);
    m_LogList->m_FilledRows = 0;
}

void CTraining::EnsureLogRow() {
    CGridListCtrlEx1& list = *m_LogList;
    if (list.m_FilledRows < list.m_RowCount - 1)
        return;
    if (list.m_RowCount - 1 > kMaxRows) {
        ResetLog();
        return;
    }
    list.InsertItems(list.m_RowCount, kGrowRows);
    list.m_RowCount += kGrowRows;
}

QString CTraining::TimeStamp() {
    int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1;
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    if (now != static_cast<std::time_t>(-1) && localtime_r(&now, &t)) {
        year = t.tm_year + 1900;
        month = t.tm_mon + 1;
        day = t.tm_mday;
        hour = t.tm_hour;
        minute = t.tm_min;
        second = t.tm_sec;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                  second);
    return QString::fromLatin1(buffer);
}

std::vector<std::string_view> CTraining::SplitLines(std::string_view text) {
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    std::vector<std::string_view> lines;
    std::size_t i = 0;
    do {
        const std::size_t start = i;
        while (i < text.size() && !isBreak(text[i]))
            ++i;
        std::string_view line = text.substr(start, i - start);
        // A line longer than the line buffer keeps its first bytes, never half a character.
        if (line.size() > kLineLimit)
            line = line.substr(0, gbkPrefixLength(line, kLineLimit));
        lines.push_back(line);
        while (i < text.size() && isBreak(text[i]))
            ++i;
    } while (i < text.size());
    return lines;
}

LRESULT CTraining::AppendLog(const char* text) {
    CGridListCtrlEx1& list = *m_LogList;
    list.SetItemText(list.m_FilledRows, 0, TimeStamp());
    for (std::string_view line : SplitLines(text ? std::string_view(text) : std::string_view())) {
        EnsureLogRow();
        list.SetItemText(list.m_FilledRows, 1, fromGbk(line));
        list.EnsureVisible(list.m_FilledRows);
        ++list.m_FilledRows;
    }
    return 0;
}
