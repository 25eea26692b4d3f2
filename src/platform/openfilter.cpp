#include "platform/openfilter.h"

namespace kvo {

std::vector<FilterEntry> filterEntries(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    std::vector<FilterEntry> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Names are case-sensitive here while kinds go by the extension in any letter case: the
        // upper-case names that files copied from Windows machines carry are offered too.
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << pattern;
            if (pattern.toUpper() != pattern) {
                patterns << pattern.toUpper();
            }
        }
        entries.push_back(
            {parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'),
             patterns});
    }
    return entries;
}

}  // namespace kvo
