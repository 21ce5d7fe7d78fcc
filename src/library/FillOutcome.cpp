#include "library/FillOutcome.h"
#include "platform/core/UiText.h"

#include "platform/core/Gbk.h"

QString FillOutcomeLine(const FillOutcome& o) {
    if (o.filed()) {
        QString line = QStringLiteral("%1  %2").arg(QString::fromStdString(o.code), fromGbk(o.content));
        if (!o.problem.isEmpty())
            line += QStringLiteral("  (%1)").arg(o.problem);
        return line;
    }
    return uiText("没有保存 %1: %2").arg(o.source, o.problem);
}

QString FillSummary(const std::vector<FillOutcome>& outcomes, bool cancelled, int notStarted, int maxLines) {
    int filed = 0;
    for (const FillOutcome& o : outcomes)
        filed += o.filed() ? 1 : 0;
    const int refused = static_cast<int>(outcomes.size()) - filed;
    QString text = uiText("已保存 %1 个声音").arg(filed);
    if (refused > 0)
        text += uiText("，%1 个没有保存").arg(refused);
    text += uiText("。");
    if (cancelled && notStarted > 0)
        text += uiText("\n已取消，其余 %1 个没有处理。").arg(notStarted);
    // Filed ones first, then the refused ones, each list cut short so the box fits on the screen.
    for (bool wantFiled : {true, false}) {
        const int total = wantFiled ? filed : refused;
        if (total == 0)
            continue;
        text += wantFiled ? uiText("\n\n已保存:") : uiText("\n\n没有保存:");
        int shown = 0;
        for (const FillOutcome& o : outcomes) {
            if (o.filed() != wantFiled)
                continue;
            if (shown == maxLines)
                break;
            text += QLatin1Char('\n') + FillOutcomeLine(o);
            ++shown;
        }
        if (total > shown)
            text += uiText("\n……还有 %1 个").arg(total - shown);
    }
    return text;
}
