#include "display/color_resolve.h"

#include <QGuiApplication>

#include <array>

namespace keltrix {
namespace {

struct TRoleOf {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

constexpr auto Active = QPalette::Active;
constexpr auto Inactive = QPalette::Inactive;
constexpr auto Disabled = QPalette::Disabled;

// Indexes of the desktop colour scheme, 0..30. Captions and their gradients map to the
// selection colours, the inactive ones to the inactive group.
constexpr std::array<TRoleOf, 31> SystemRoles = {{
    {Active, QPalette::Button},            // 0 scroll bar
    {Active, QPalette::Dark},              // 1 desktop background
    {Active, QPalette::Highlight},         // 2 active caption
    {Inactive, QPalette::Highlight},       // 3 inactive caption
    {Active, QPalette::Window},            // 4 menu
    {Active, QPalette::Base},              // 5 window
    {Active, QPalette::Shadow},            // 6 window frame
    {Active, QPalette::WindowText},        // 7 menu text
    {Active, QPalette::Text},              // 8 window text
    {Active, QPalette::HighlightedText},   // 9 caption text
    {Active, QPalette::Button},            // 10 active border
    {Inactive, QPalette::Button},          // 11 inactive border
    {Active, QPalette::Dark},              // 12 application workspace
    {Active, QPalette::Highlight},         // 13 highlight
    {Active, QPalette::HighlightedText},   // 14 highlight text
    {Active, QPalette::Button},            // 15 button face
    {Active, QPalette::Dark},              // 16 button shadow
    {Disabled, QPalette::Text},            // 17 grey text
    {Active, QPalette::ButtonText},        // 18 button text
    {Inactive, QPalette::HighlightedText}, // 19 inactive caption text
    {Active, QPalette::Light},             // 20 button highlight
    {Active, QPalette::Shadow},            // 21 3D dark shadow
    {Active, QPalette::Midlight},          // 22 3D light
    {Active, QPalette::ToolTipText},       // 23 info text
    {Active, QPalette::ToolTipBase},       // 24 info background
    {Active, QPalette::Window},            // 25 (unused)
    {Active, QPalette::Link},              // 26 hot-tracked item
    {Active, QPalette::Highlight},         // 27 active caption gradient
    {Inactive, QPalette::Highlight},       // 28 inactive caption gradient
    {Active, QPalette::Highlight},         // 29 menu highlight
    {Active, QPalette::Window},            // 30 menu bar
}};

} // namespace

QPalette::ColorRole SystemColorRole(std::uint8_t index, QPalette::ColorGroup* group) {
    const TRoleOf role =
        index < SystemRoles.size() ? SystemRoles[index] : TRoleOf{Active, QPalette::Window};
    if (group) *group = role.Group;
    return role.Role;
}

QColor ColorToQColor(TColor color, const QPalette& palette, const QColor& fallback) {
    if (color == clNone) return QColor(Qt::transparent);
    if (color == clDefault) return fallback;
    if (IsSystemColor(color)) {
        QPalette::ColorGroup group = Active;
        const auto role = SystemColorRole(static_cast<std::uint8_t>(color), &group);
        return palette.color(group, role);
    }
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

QColor ColorToQColor(TColor color, const QColor& fallback) {
    return ColorToQColor(color, QGuiApplication::palette(), fallback);
}

} // namespace keltrix
