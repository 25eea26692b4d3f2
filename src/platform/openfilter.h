#pragma once
// Open-dialog filters are written as "description|pattern|description|pattern..."; a pattern may
// list several wildcards separated by ";". Each pattern is offered also in upper case.

#include <QString>
#include <QStringList>
#include <vector>

namespace kvo {

struct FilterEntry {
    QString caption;       // "description (patterns)", as the dialog lists it
    QStringList patterns;  // shell wildcards matched against file names
};

// The pairs of `pairs` in order; a description without a pattern is dropped.
std::vector<FilterEntry> filterEntries(const QString& pairs);

}  // namespace kvo
