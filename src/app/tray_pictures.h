#pragma once
// The tray icon's pictures, drawn by code so that each size a tray asks for is drawn for that
// size instead of scaled from 16 pixels.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <array>
#include <string_view>

namespace keltrix {

// The sizes trays commonly ask for; an icon carries one picture for each.
inline constexpr std::array<int, 3> TrayIconSizes{16, 22, 32};

// SMILEYCONNECTED, SMILEYDISCONNECTED, XPSMILEYCONNECTED, XPSMILEYDISCONNECTED, ZCGREEN,
// ZCGREENH, ZCRED, ZCREDH.
inline constexpr std::array<std::string_view, 8> PictureNames{"SMILEYCONNECTED",
                                                              "SMILEYDISCONNECTED",
                                                              "XPSMILEYCONNECTED",
                                                              "XPSMILEYDISCONNECTED",
                                                              "ZCGREEN",
                                                              "ZCGREENH",
                                                              "ZCRED",
                                                              "ZCREDH"};

// A size x size picture on a transparent background; a null pixmap for an unknown name or a
// size below 1.
QPixmap Picture(std::string_view name, int size);

// The processor-usage picture: text in black "Tahoma" on background, laid out as 8 points at
// (3, 1) on 16 pixels and scaled to size.
QPixmap ProcessorUsagePicture(const QString& text, int size, const QColor& background);

// An icon with the named picture at every TrayIconSizes; a null icon for an unknown name.
QIcon PictureIcon(std::string_view name);

} // namespace keltrix
