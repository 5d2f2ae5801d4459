#pragma once

#include <QByteArrayView>
#include <QImage>

namespace app {

// The largest picture decodeJpegImage accepts, refused before any pixel memory is taken.
inline constexpr int kMaxJpegSide = 16384;
inline constexpr qint64 kMaxJpegPixels = qint64{64} * 1024 * 1024;

// Decodes a baseline or progressive JPEG, colour or grey, into a Format_RGB32 image with the
// JPEG library's default settings (accurate integer DCT, smooth chroma upsampling), so the
// pixels match what Qt's image reader gives for the same bytes. Anything the library reports as
// an error or a warning (not a JPEG, damaged or cut-short data, an unsupported colour space) and
// any picture beyond the bounds above gives a null image. Touches no QObject: safe on any thread.
QImage decodeJpegImage(QByteArrayView bytes);

} // namespace app
