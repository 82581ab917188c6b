#include "app/autostart.h"

#include "platform/file_store.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string_view>
#include <system_error>

namespace keltrix {

std::string AutostartFile() {
    return platform::ConfigHome() + "/autostart/keltrix.desktop";
}

std::string DesktopExecArgument(const std::string& path) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    bool quote = false;
    for (char c : path) {
        if (reserved.find(c) != std::string_view::npos) quote = true;
        // Inside quotes these four take a backslash; the value's own escaping doubles each
        // backslash again.
        if (c == '"' || c == '`' || c == '$') out += "\\\\";
        if (c == '\\') out += "\\\\\\";
        if (c == '%') out += '%'; // %% is a plain per cent sign
        out += c;
    }
    return quote ? "\"" + out + "\"" : out;
}

std::string AutostartEntry(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Keltrix\n"
           "GenericName=System Monitor\n"
           "Comment=Live system statistics in a small desktop window\n"
           "Exec=" +
           DesktopExecArgument(program) +
           "\n"
           "Icon=keltrix\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string SetAutostart(bool on, const std::string& program) {
    const std::string file = AutostartFile();
    if (on) {
        const std::string folder = file.substr(0, file.rfind('/'));
        if (!platform::MakeDirs(folder, 0700))
            throw std::system_error(errno, std::generic_category(), "cannot create " + folder);
        platform::ReplaceFileAtomically(file, AutostartEntry(program));
        return "Keltrix starts at login: " + file;
    }
    if (std::remove(file.c_str()) != 0) {
        if (errno == ENOENT) return "Keltrix did not start at login: " + file + " is not there";
        throw std::system_error(errno, std::generic_category(), "cannot remove " + file);
    }
    return "Keltrix no longer starts at login: " + file + " removed";
}

int RunAutostart(bool on, const std::string& name) {
    try {
        std::cout << name << ": " << SetAutostart(on, platform::ProgramDir() + "/keltrix") << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << name << ": " << e.what() << "\n";
        return 1;
    }
}

} // namespace keltrix
