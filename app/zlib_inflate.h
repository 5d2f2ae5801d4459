#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <stdexcept>

namespace app {

class InflateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Unpacks one complete zlib stream. Throws InflateError for damaged or truncated data and for
// bytes left over after the stream's end.
QByteArray inflateZlib(QByteArrayView compressed);

} // namespace app
