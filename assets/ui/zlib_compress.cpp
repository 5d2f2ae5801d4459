// zlib_compress IN OUT: writes IN as one zlib stream (RFC 1950), best compression, to OUT.
// The build uses it to store the style sheet compressed in the program.

#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zlib_compress IN OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zlib_compress: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::vector<unsigned char> plain{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    uLongf packedSize = compressBound(static_cast<uLong>(plain.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, plain.data(), static_cast<uLong>(plain.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        std::fprintf(stderr, "zlib_compress: compression of %s failed\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(packed.data()),
              static_cast<std::streamsize>(packedSize));
    out.close();
    if (!out) {
        std::fprintf(stderr, "zlib_compress: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
