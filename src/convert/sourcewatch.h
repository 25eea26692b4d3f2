#pragma once
// A source that another program changes while it is read would be converted partly old, partly
// new; the run notices by comparing the file before and after.

#include "platform/filestream.h"

namespace kvo {

class SourceWatch {
  public:
    explicit SourceWatch(const FileStream& source);
    // ConvertError naming the file when its size, modification time or inode changed, or its
    // path now names another file.
    void requireUnchanged() const;

  private:
    const FileStream& fSource;
    FileIdentity fBefore;
};

}  // namespace kvo
