#include "FramePattern.h"

namespace {
// Wider than any frame number: a typo rather than a wish.
constexpr int kMaxWidth = 9;
} // namespace

std::optional<FramePattern> FramePattern::parse(const QString& pattern, QString* error)
{
    const auto refuse = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("'%1': %2").arg(pattern, why);
        return std::nullopt;
    };
    FramePattern p;
    bool found = false;
    QString text; // before the field, then after it
    for (int k = 0; k < pattern.size(); ++k) {
        if (pattern[k] != QLatin1Char('%')) {
            text += pattern[k];
            continue;
        }
        if (k + 1 < pattern.size() && pattern[k + 1] == QLatin1Char('%')) {
            text += QLatin1Char('%');
            ++k;
            continue;
        }
        if (found)
            return refuse(QStringLiteral("a pattern takes one frame number field, not two"));
        int end = k + 1;
        while (end < pattern.size() && pattern[end].isDigit() && pattern[end].unicode() < 128)
            ++end;
        const QString digits = pattern.mid(k + 1, end - k - 1);
        if (end == pattern.size() || pattern[end] != QLatin1Char('d') || digits.size() > 2 ||
            digits.toInt() > kMaxWidth)
            return refuse(
                QStringLiteral("the frame number field is %d, %Nd or %0Nd with N at most %1 "
                               "(write %% for a percent sign)")
                    .arg(kMaxWidth));
        p.zeros = digits.startsWith(QLatin1Char('0'));
        p.width = digits.toInt();
        p.before = text;
        text.clear();
        found = true;
        k = end;
    }
    if (!found)
        return refuse(QStringLiteral("a sweep's output needs a field for the frame number, as in "
                                     "map-%04d.png"));
    p.after = text;
    return p;
}

QString FramePattern::name(int frame) const
{
    return before + QStringLiteral("%1").arg(frame, width, 10, QLatin1Char(zeros ? '0' : ' ')) +
           after;
}
