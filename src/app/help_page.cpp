#include "app/help_page.h"

#include "base/errors.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace keltrix {

std::vector<std::string> HelpPageLines() {
    return {
        "<HTML><HEAD><TITLE>Vistrand Network Configuration</TITLE><BODY "
        "bgColor=#ffffff><H4>Basic Network Setup</H4>",
        "Vistrand can also be configured to monitor remote computers real-time over a LAN or the "
        "internet. To minimize the amount of network traffic the application generates, the "
        "update interval is by default twice the value of a local client.",
        " If you want to run Vistrand in Client/Server mode, just follow these two easy "
        "steps:<P>",
        "<UL><LI>On the server, select \"Act as Server\" from the menu and enter the port number "
        "on which Vistrand should communicate. If you don't know what this means leave the "
        "default setting alone.",
        " You may also enter a password if you want to secure your connection.",
        "<LI>On the client, start Vistrand using this syntax: <BR><BR><FONT "
        "face=\"Courier New,Courier,Monaco\">vistrand.exe -c -i<I>ip-of-server</I> "
        "-p<I>port-number</I> -d<I>password</I></FONT> </LI></UL>",
        "<H4>Explanation:</H4> <TABLE cellSpacing=2 cellPadding=0 border=0>",
        "<TR><TD>-c</TD><TD>indicates Vistrand should start in client mode</TD></TR>",
        "<TR><TD>-i</TD><TD>indicates the IP address that the Vistrand server is running on. "
        "Note: DNS name works too now.</TD></TR>",
        "<TR><TD>-p</TD><TD>indicates the port that the server is using",
        "<TR><TD>-d</TD><TD>the password will prevent unauthorized connections and encrypt the "
        "data",
        "</TABLE><P>So if the server has IP address 10.11.12.13 and uses port 6130 (the default) "
        "your command line will be:",
        "<BLOCKQUOTE><FONT face=\"Courier New,Courier,Monaco\">vistrand.exe -c -i10.11.12.13 "
        "-p6130</FONT></BLOCKQUOTE><BR>",
        "<B>Firewall Configuration:</B><BR>",
        "For servers behind a NAT router, be sure to use the public IP address and of course to "
        "forward the port to the Vistrand server.",
        "In case you want to monitor your system when you are behind a",
        "firewall, it is possible to run a Vistrand client though a SOCKS server.",
        "In order to do this, download and install <A",
        "href=\"https://en.wikipedia.org/wiki/SOCKS#Software\"",
        "target=_blank>SocksCap</A>, which will allow you to SOCKSify almost any",
        "application. For more information on SOCKS, please visit <A",
        "href=\"https://en.wikipedia.org/wiki/SOCKS\" target=_blank>this</A> website.",
        "<P>Most of this text came from the Vistrand website, at <A "
        "href=\"https://keltrix.org/\" target=_blank>keltrix.org</A>. Check it out!",
    };
}

std::string HelpPagePath() {
    return platform::TempDir() + "/vsinftmp.htm";
}

void WriteHelpPage(const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : HelpPageLines()) out << line << "\r\n";
    out.flush();
    if (!out) throw EInOutError("I/O error writing " + path + ": " + std::strerror(errno));
}

} // namespace keltrix
