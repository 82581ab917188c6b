#include "settings/default_format.h"

#include <gtest/gtest.h>

using namespace keltrix;

TEST(DefaultFormat, EightLinesFromTheCatalogue) {
    TRawDataShell shell;
    const TFormatterList formatters = CreateFormatters(shell);
    EXPECT_EQ(DefaultFormatString(formatters),
              "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">\r\n"
              "Processes: <NAME=Processes SIZE=5>Threads: <NAME=Threads SIZE=5>\r\n"
              "<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20>\r\n"
              "PageUsed: <NAME=PageUsed>/PageTotal: <NAME=PageTotal>\r\n"
              "RAMUsed: <NAME=RAMUsed>/RAMTotal: <NAME=RAMTotal>\r\n"
              "<NAME=DateTime FORMAT=\"'Date' dd/mm/yy 'Time' hh:nn\">\r\n"
              "<NAME=IPAddr>\r\n"
              "<NAME=CompName>");
}
