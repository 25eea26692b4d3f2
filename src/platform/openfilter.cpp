#include "platform/openfilter.h"

#include <QStringList>

namespace kvo {

QString toQtFilter(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Names are case-sensitive here while kinds go by the extension in any letter case: the
        // upper-case names that files copied from Windows machines carry are offered too.
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'))) {
            patterns << pattern;
            if (pattern.toUpper() != pattern) {
                patterns << pattern.toUpper();
            }
        }
        // Qt takes the patterns from the last parenthesised group, so the description may keep
        // parentheses of its own.
        entries << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace kvo
