#include "display/background_image.h"

#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include <jpeglib.h>

namespace keltrix {
namespace {

struct TJpegErrorManager {
    jpeg_error_mgr Manager; // first, so that libjpeg's pointer is ours as well
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

// libjpeg's own error_exit calls exit(): a broken picture must not end the monitor.
[[noreturn]] void ErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<TJpegErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

void IgnoreWarning(j_common_ptr) {}

struct TJpegDecode {
    jpeg_decompress_struct Info{};
    TJpegErrorManager Errors{};
    std::FILE* File = nullptr;
    bool Created = false;
    std::vector<JSAMPLE> Row;
    QImage Image;
};

// Beyond this a screen-sized stretch is pointless and the allocation alone could fail.
constexpr JDIMENSION MaxSide = 20000;

// Everything that must survive a longjmp lives in *decode, reached through a pointer that
// never changes after setjmp.
bool Decode(TJpegDecode* decode) {
    if (setjmp(decode->Errors.Jump)) return false;
    jpeg_create_decompress(&decode->Info);
    decode->Created = true;
    jpeg_stdio_src(&decode->Info, decode->File);
    jpeg_read_header(&decode->Info, TRUE);
    const bool cmyk =
        decode->Info.jpeg_color_space == JCS_CMYK || decode->Info.jpeg_color_space == JCS_YCCK;
    decode->Info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&decode->Info);
    const JDIMENSION width = decode->Info.output_width, height = decode->Info.output_height;
    if (width > MaxSide || height > MaxSide) {
        std::snprintf(decode->Errors.Message, sizeof decode->Errors.Message,
                      "Picture too large (%ux%u)", width, height);
        return false;
    }
    decode->Image = QImage(static_cast<int>(width), static_cast<int>(height),
                           cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
    if (decode->Image.isNull()) {
        std::snprintf(decode->Errors.Message, sizeof decode->Errors.Message, "Out of memory");
        return false;
    }
    decode->Row.resize(std::size_t{width} * 4);
    const bool inverted = decode->Info.saw_Adobe_marker;
    while (decode->Info.output_scanline < height) {
        const int y = static_cast<int>(decode->Info.output_scanline);
        JSAMPROW row = cmyk ? decode->Row.data() : decode->Image.scanLine(y);
        jpeg_read_scanlines(&decode->Info, &row, 1);
        if (!cmyk) continue;
        auto* out = reinterpret_cast<QRgb*>(decode->Image.scanLine(y));
        for (JDIMENSION x = 0; x < width; ++x) {
            // Adobe writes CMYK inverted; plain CMYK is the ink amount.
            int ink[4];
            for (int i = 0; i < 4; ++i) {
                const int v = row[x * 4 + static_cast<JDIMENSION>(i)];
                ink[i] = inverted ? v : 255 - v;
            }
            out[x] = qRgb(ink[0] * ink[3] / 255, ink[1] * ink[3] / 255, ink[2] * ink[3] / 255);
        }
    }
    jpeg_finish_decompress(&decode->Info);
    return true;
}

} // namespace

QImage LoadJpegFile(const std::string& fileName, std::string* error) {
    TJpegDecode decode;
    decode.File = std::fopen(fileName.c_str(), "rb");
    if (!decode.File) {
        if (error) *error = std::strerror(errno);
        return {};
    }
    decode.Info.err = jpeg_std_error(&decode.Errors.Manager);
    decode.Errors.Manager.error_exit = ErrorExit;
    decode.Errors.Manager.output_message = IgnoreWarning;
    const bool ok = Decode(&decode);
    if (decode.Created) jpeg_destroy_decompress(&decode.Info);
    std::fclose(decode.File);
    if (!ok) {
        if (error) *error = decode.Errors.Message;
        return {};
    }
    return std::move(decode.Image);
}

bool IsJpegName(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string extension = fileName.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    });
    return extension.find("jp") != std::string::npos;
}

const QImage& TBackgroundImage::Load(const std::string& fileName) {
    struct stat st {};
    const bool exists = stat(fileName.c_str(), &st) == 0;
    const std::int64_t modified =
        exists ? std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec : 0;
    const std::int64_t bytes = exists ? std::int64_t{st.st_size} : -1;
    if (fileName == FileName_ && modified == ModifiedNs_ && bytes == Bytes_) return Image_;
    FileName_ = fileName;
    ModifiedNs_ = modified;
    Bytes_ = bytes;
    Scaled_ = QImage();
    Error_.clear();
    if (!exists) {
        Image_ = QImage();
        Error_ = std::strerror(errno);
        return Image_;
    }
    if (IsJpegName(fileName)) {
        Image_ = LoadJpegFile(fileName, &Error_);
    } else {
        QImageReader reader(QString::fromStdString(fileName));
        Image_ = reader.read();
        if (Image_.isNull()) Error_ = reader.errorString().toStdString();
    }
    return Image_;
}

const QImage& TBackgroundImage::Scaled(QSize size) {
    if (Image_.isNull() || size.isEmpty()) {
        Scaled_ = QImage();
    } else if (Scaled_.size() != size) {
        Scaled_ = Image_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return Scaled_;
}

} // namespace keltrix
