#include "convert/sourcewatch.h"

#include "convert/converterror.h"

namespace kvo {

SourceWatch::SourceWatch(const FileStream& source) : fSource(source), fBefore(source.identity()) {}

void SourceWatch::requireUnchanged() const {
    const auto atPath = IdentityOf(fSource.path());
    // A deleted source is still whole behind the open descriptor; another file at its path is not.
    if (fSource.identity() != fBefore || (atPath && !atPath->sameFile(fBefore))) {
        throw ConvertError(ConvertError::Kind::Refused,
                           "Файл " + fSource.path() +
                               " изменился во время работы (размер, время изменения или сам "
                               "файл); результат не записан");
    }
}

}  // namespace kvo
