#include "tags/nonperf_format.h"

namespace keltrix {

namespace {

constexpr const char* Indent = "       "; // seven blanks after the TAB

struct THelpLine {
    const char* Specifier;
    const char* Explanation;
};

// Specifiers of the date/time pattern as the editor explains them.
constexpr THelpLine DateHelp[] = {
    {"c", "Displays the date using the format given by the ShortDateFormat global variable, "
          "followed by the time using the format given by the LongTimeFormat global variable. "
          "The time is not displayed if the fractional part of the DateTime value "},
    {"d", "Displays the day as a number without a leading zero (1-31)."},
    {"dd", "Displays the day as a number with a leading zero (01-31)."},
    {"ddd", "Displays the day as an abbreviation (Sun-Sat) using the strings given by the "
            "ShortDayNames global variable."},
    {"dddd", "Displays the day as a full name (Sunday-Saturday) using the strings given by the "
             "LongDayNames global variable."},
    {"ddddd", "Displays the date using the format given by the ShortDateFormat global variable."},
    {"dddddd", "Displays the date using the format given by the LongDateFormat global variable."},
    {"m", "Displays the month as a number without a leading zero (1-12). If the m specifier "
          "immediately follows an h or hh specifier, the minute rather than the month is "
          "displayed."},
    {"mm", "Displays the month as a number with a leading zero (01-12). If the mm specifier "
           "immediately follows an h or hh specifier, the minute rather than the month is "
           "displayed."},
    {"mmm", "Displays the month as an abbreviation (Jan-Dec) using the strings given by the "
            "ShortMonthNames global variable."},
    {"mmmm", "Displays the month as a full name (January-December) using the strings given by "
             "the LongMonthNames global variable."},
    {"yy", "Displays the year as a two-digit number (00-99)."},
    {"yyyy", "Displays the year as a four-digit number (0000-9999)."},
    {"h", "Displays the hour without a leading zero (0-23)."},
    {"hh", "Displays the hour with a leading zero (00-23)."},
    {"n", "Displays the minute without a leading zero (0-59)."},
    {"nn", "Displays the minute with a leading zero (00-59)."},
    {"s", "Displays the second without a leading zero (0-59)."},
    {"ss", "Displays the second with a leading zero (00-59)."},
    {"t", "Displays the time using the format given by the ShortTimeFormat global variable."},
    {"tt", "Displays the time using the format given by the LongTimeFormat global variable."},
    {"am/pm", "Uses the 12-hour clock for the preceding h or hh specifier, and displays 'am' for "
              "any hour before noon, and 'pm' for any hour after noon. The am/pm specifier can "
              "use lower, upper, or mixed case, and the result is displayed accordingly."},
    {"a/p", "Uses the 12-hour clock for the preceding h or hh specifier, and displays 'a' for "
            "any hour before noon, and 'p' for any hour after noon. The a/p specifier can use "
            "lower, upper, or mixed case, and the result is displayed accordingly."},
    {"ampm", "Uses the 12-hour clock for the preceding h or hh specifier, and displays the "
             "contents of the TimeAMString global variable for any hour before noon, and the "
             "contents of the TimePMString global variable for any hour after noon."},
    {"/", "Displays the date separator character given by the DateSeparator global variable."},
    {":", "Displays the time separator character given by the TimeSeparator global variable."},
    {"'xx'", "Characters enclosed in single quotes are displayed as-is, and do not affect "
             "formatting."},
    {"", "Since you can also invoke the DateTime flag multiple times in a string, you can "
         "alternatively put characters between multiple DateTime tags to mimic this, and allow "
         "greater flexibility on spacing using SIZE and CHAR."},
};

std::string DateTimeDescription() {
    std::string text =
        "Current local system Date and Time. <NAME=DateTime>. Uses FORMAT, SIZE. "
        "For the Date and time, you have the option of using format strings which "
        "lets you customize the appearance of the data. First, any free form "
        "text should be enclosed in a pair of quotation marks \"just like so\" - "
        "this text will be displayed exactly as you enter it.\r\n"
        "Interspersed within the free-form text, you can enter any or all of the "
        "following letter combinations, which let you specify what data should appear "
        "and how it should be formatted. The default text is a good example of how "
        "the system works, I think.\r\n";
    for (const THelpLine& line : DateHelp) {
        const std::string specifier = line.Specifier;
        if (specifier == "c")
            text += "c    \t" + std::string(Indent);
        else if (specifier == "dddddd")
            text += specifier + Indent;
        else if (specifier == "'xx'")
            text += specifier + "  ";
        else if (!specifier.empty())
            text += specifier + "\t" + Indent;
        text += line.Explanation;
        text += "\r\n";
    }
    return text;
}

} // namespace

TNonPerfFormat::TNonPerfFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    AddTag("IP Addresses", "IPAddr",
           "Total number of IP addresses locally bound to adapters. Uses SIZE, LEADZERO, "
           "FORMAT. When LEADZERO is used in this context, each of the 3-digit numbers making "
           "up the address will be left-padded with zeroes."
           " FORMAT is used to specify the character(s) separating each IP (Default is a comma "
           "and space)<NAME=IPAddr>.",
           "<NAME=IPAddr>", &TNonPerfFormat::IPAddrFunc);
    AddTag("Computer Name", "CompName",
           "Local computer name, specified in Network Identification. 15 character max. Uses "
           "SIZE. <NAME=CompName>.",
           "<NAME=CompName>", &TNonPerfFormat::CompNameFunc);
    AddTag("User Name", "UserName",
           "Logged in User name. 15 character max. Uses SIZE. <NAME=UserName>.", "<NAME=UserName>",
           &TNonPerfFormat::UserNameFunc);
    AddTag("Date and Time", "DateTime", DateTimeDescription(),
           "<NAME=DateTime FORMAT=\"'Date' dd/mm/yy 'Time' hh:nn\">",
           &TNonPerfFormat::DateTimeFunc);
    AddTag("Blank", "Blank",
           "Blank tag which doesn't actually format data, and is basically used to let you "
           "apply the SIZE tag to space things. <NAME=Blank>. Uses SIZE",
           "<NAME=Blank SIZE=5>", &TNonPerfFormat::BlankFunc);
    AddTag("Drive Space", "DriveSpace",
           "Free and Total disk space in MB's for drives or partitions. Use FORMAT to specify "
           "the drive letter and whether you want to see the free or total space; up to " +
               std::to_string(16) +
               " drives can be requested at one time, with each as a different label. Use ALL "
               "to add up the values from all drives currently being queried in other tags. "
               "<NAME=DriveSpace FORMAT=\"C FREE\"> <NAME=DriveSpace FORMAT=\"D TOTAL\">. Uses "
               "SIZE, FORMAT, DECIMAL, DIV",
           "Drive C: <NAME=DriveSpace SIZE=5 FORMAT=\"C FREE\">", &TNonPerfFormat::DriveSpaceFunc);
    // The stray quote is in the usage users have always been given.
    AddTag("Processor Type", "ProcType", "simple 4-letter description of processor",
           "Processor: <NAME=PROCTYPE\">", &TNonPerfFormat::ProcTypeFunc);
    AddTag("File Line Data", "FileData",
           "Grabs various lines from files. Specify a filename alone to get the first line, or "
           "a filename with a comma and line number to get a specific line (e.g: "
           "\"c:\\myfile.txt,2\" gets the 2nd line of myfile.txt). Use filename,0 to get the "
           "last line in the file.",
           "File Data: <NAME=FILEDATA>", &TNonPerfFormat::FileDataFunc);
}

void TNonPerfFormat::DecideIfActive(const std::string& formatString) {
    TFormatter::DecideIfActive(formatString);
    // Slot 0 holds the sums and keeps its (zero) letter.
    for (int slot = 1; slot <= 16; ++slot) RawData.Data().Drives[slot].Letter = 0;
}

} // namespace keltrix
