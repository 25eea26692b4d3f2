#include "generic_codecs.h"

#include <lz4.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <stdexcept>

namespace kvo::bench {

namespace {

void require(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what);
    }
}

class Zstd final : public GenericCodec {
  public:
    explicit Zstd(int level) : level_(level) {}
    std::string name() const override { return "zstd -" + std::to_string(level_); }
    void compress(const std::uint8_t* src, std::size_t size,
                  std::vector<std::uint8_t>& out) const override {
        out.resize(ZSTD_compressBound(size));
        const std::size_t n = ZSTD_compress(out.data(), out.size(), src, size, level_);
        require(!ZSTD_isError(n), "zstd compress");
        out.resize(n);
    }
    void restore(const std::vector<std::uint8_t>& packed, std::uint8_t* dst,
                 std::size_t size) const override {
        const std::size_t n = ZSTD_decompress(dst, size, packed.data(), packed.size());
        require(n == size, "zstd restore");
    }

  private:
    int level_;
};

class Zlib final : public GenericCodec {
  public:
    explicit Zlib(int level) : level_(level) {}
    std::string name() const override { return "zlib -" + std::to_string(level_); }
    void compress(const std::uint8_t* src, std::size_t size,
                  std::vector<std::uint8_t>& out) const override {
        uLongf n = compressBound(static_cast<uLong>(size));
        out.resize(n);
        require(compress2(out.data(), &n, src, static_cast<uLong>(size), level_) == Z_OK,
                "zlib compress");
        out.resize(n);
    }
    void restore(const std::vector<std::uint8_t>& packed, std::uint8_t* dst,
                 std::size_t size) const override {
        uLongf n = static_cast<uLongf>(size);
        require(uncompress(dst, &n, packed.data(), static_cast<uLong>(packed.size())) == Z_OK &&
                    n == size,
                "zlib restore");
    }

  private:
    int level_;
};

class Xz final : public GenericCodec {
  public:
    std::string name() const override { return "xz -6"; }
    void compress(const std::uint8_t* src, std::size_t size,
                  std::vector<std::uint8_t>& out) const override {
        out.resize(lzma_stream_buffer_bound(size));
        std::size_t pos = 0;
        require(lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, src, size, out.data(), &pos,
                                        out.size()) == LZMA_OK,
                "xz compress");
        out.resize(pos);
    }
    void restore(const std::vector<std::uint8_t>& packed, std::uint8_t* dst,
                 std::size_t size) const override {
        std::uint64_t memlimit = UINT64_MAX;
        std::size_t inPos = 0;
        std::size_t outPos = 0;
        require(lzma_stream_buffer_decode(&memlimit, 0, nullptr, packed.data(), &inPos,
                                          packed.size(), dst, &outPos, size) == LZMA_OK &&
                    outPos == size,
                "xz restore");
    }
};

class Lz4 final : public GenericCodec {
  public:
    std::string name() const override { return "lz4"; }
    void compress(const std::uint8_t* src, std::size_t size,
                  std::vector<std::uint8_t>& out) const override {
        out.resize(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(size))));
        const int n = LZ4_compress_default(reinterpret_cast<const char*>(src),
                                           reinterpret_cast<char*>(out.data()),
                                           static_cast<int>(size), static_cast<int>(out.size()));
        require(n > 0, "lz4 compress");
        out.resize(static_cast<std::size_t>(n));
    }
    void restore(const std::vector<std::uint8_t>& packed, std::uint8_t* dst,
                 std::size_t size) const override {
        const int n = LZ4_decompress_safe(reinterpret_cast<const char*>(packed.data()),
                                          reinterpret_cast<char*>(dst),
                                          static_cast<int>(packed.size()), static_cast<int>(size));
        require(n == static_cast<int>(size), "lz4 restore");
    }
};

}  // namespace

std::vector<std::unique_ptr<GenericCodec>> makeGenericCodecs() {
    std::vector<std::unique_ptr<GenericCodec>> codecs;
    for (int level : {1, 3, 19})
        codecs.push_back(std::make_unique<Zstd>(level));
    for (int level : {1, 6})
        codecs.push_back(std::make_unique<Zlib>(level));
    codecs.push_back(std::make_unique<Xz>());
    codecs.push_back(std::make_unique<Lz4>());
    return codecs;
}

}  // namespace kvo::bench
