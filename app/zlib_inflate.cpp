#include "app/zlib_inflate.h"

#include <zlib.h>

#include <array>

namespace app {

QByteArray inflateZlib(QByteArrayView compressed) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        throw InflateError("zlib: cannot start inflating");
    // zlib takes a non-const pointer but does not write through next_in.
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());

    QByteArray out;
    std::array<char, 16384> chunk;
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
        stream.avail_out = static_cast<uInt>(chunk.size());
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(chunk.data(), static_cast<qsizetype>(chunk.size() - stream.avail_out));
        // Z_BUF_ERROR with all input used means the stream stopped before its end.
        if (status == Z_BUF_ERROR && stream.avail_in == 0)
            break;
    }
    const bool complete = status == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!complete)
        throw InflateError("zlib: damaged or incomplete data");
    return out;
}

} // namespace app
