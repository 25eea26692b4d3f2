#pragma once
// Open-dialog filters are written as "description|pattern|description|pattern..."; Qt wants
// "description (pattern);;...", each pattern also in upper case.

#include <QString>

namespace kvo {

QString toQtFilter(const QString& pairs);

}  // namespace kvo
