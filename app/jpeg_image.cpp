#include "app/jpeg_image.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>

namespace app {

namespace {

// The library's default error handler ends the process; this one jumps back to the step that
// was running, which then reports failure. Messages are not printed: the caller sees a null
// image, and a damaged picture is simply not shown.
struct JumpingErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf step;
};

[[noreturn]] void jumpBack(j_common_ptr info) {
    auto* errors = reinterpret_cast<JumpingErrorManager*>(info->err);
    std::longjmp(errors->step, 1);
}

void stayQuiet(j_common_ptr /*info*/) {}

// The pixel layout of Format_RGB32 in memory: 0xffRRGGBB as a native 32-bit word.
constexpr J_COLOR_SPACE kRgb32Layout =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// The steps below run the library between setjmp and a possible longjmp, so their frames hold
// nothing with a destructor. Each returns false when the library gave up or warned: a warning
// means damaged data (bytes missing, a broken entropy code, a marker out of place) that the
// library papered over with grey or a guess.

bool readHeader(jpeg_decompress_struct* info, JumpingErrorManager* errors,
                const unsigned char* bytes, std::size_t size) {
    info->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = jumpBack;
    errors->base.output_message = stayQuiet;
    if (setjmp(errors->step) != 0)
        return false;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    info->out_color_space = kRgb32Layout;
    jpeg_calc_output_dimensions(info);
    return errors->base.num_warnings == 0;
}

bool readPixels(jpeg_decompress_struct* info, JumpingErrorManager* errors, unsigned char* pixels,
                std::size_t bytesPerLine) {
    if (setjmp(errors->step) != 0)
        return false;
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = pixels + bytesPerLine * info->output_scanline;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return errors->base.num_warnings == 0;
}

bool withinBounds(JDIMENSION width, JDIMENSION height) {
    return width > 0 && height > 0 && width <= JDIMENSION{kMaxJpegSide} &&
           height <= JDIMENSION{kMaxJpegSide} && qint64{width} * height <= kMaxJpegPixels;
}

} // namespace

QImage decodeJpegImage(QByteArrayView bytes) {
    jpeg_decompress_struct info{};
    JumpingErrorManager errors{};
    QImage image;
    if (readHeader(&info, &errors, reinterpret_cast<const unsigned char*>(bytes.data()),
                   static_cast<std::size_t>(bytes.size())) &&
        withinBounds(info.output_width, info.output_height)) {
        image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                       QImage::Format_RGB32);
        if (!image.isNull() && !readPixels(&info, &errors, image.bits(),
                                           static_cast<std::size_t>(image.bytesPerLine())))
            image = QImage();
    }
    jpeg_destroy_decompress(&info);
    return image;
}

} // namespace app
