#pragma once
// The window's background picture: JPEG files through libjpeg, every other format (BMP, ICO,
// PNG, ...) through Qt's image readers. Decoded once and kept while the file stays the same.

#include <QImage>
#include <QSize>

#include <cstdint>
#include <string>

namespace keltrix {

// A null image and the reason when the file cannot be decoded; never ends the process.
QImage LoadJpegFile(const std::string& fileName, std::string* error);

// The JPEG decoder is used when the file's extension, lower-cased, contains "jp".
bool IsJpegName(const std::string& fileName);

class TBackgroundImage {
public:
    // The picture of fileName, decoded again only when the file changed. A null image when
    // it cannot be loaded, with the reason in Error().
    const QImage& Load(const std::string& fileName);
    const std::string& Error() const { return Error_; }
    const QImage& Image() const { return Image_; }

    // The picture stretched to size, kept for the next paint of the same size.
    const QImage& Scaled(QSize size);

private:
    std::string FileName_;
    std::int64_t ModifiedNs_ = 0;
    std::int64_t Bytes_ = -1;
    QImage Image_;
    QImage Scaled_;
    std::string Error_;
};

} // namespace keltrix
