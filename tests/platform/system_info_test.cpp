#include "platform/system_info.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {

using test::DataRoot;
using test::TTempTree;

TEST(SystemInfo, ProcessorLevelIsTheX86Family) {
    std::uint16_t level = 0;
    ASSERT_TRUE(GetProcessorLevel(level, DataRoot("vm")));
    EXPECT_EQ(level, 6);
    ASSERT_TRUE(GetProcessorLevel(level, DataRoot("laptop")));
    EXPECT_EQ(level, 25);

    TTempTree arm;
    arm.Write("proc/cpuinfo", "processor\t: 0\nBogoMIPS\t: 48.00\nCPU implementer\t: 0x41\n"
                              "CPU architecture: 8\n");
    const TResult result = GetProcessorLevel(level, arm.Root());
    EXPECT_EQ(result.Code, ERROR_NOT_SUPPORTED);
    EXPECT_NE(result.Reason.find("unknown"), std::string::npos) << result.Reason;
    EXPECT_EQ(level, 0);

    TTempTree none;
    EXPECT_EQ(GetProcessorLevel(level, none.Root()).Code, ERROR_FILE_NOT_FOUND);
}

TEST(SystemInfo, VersionWordFromTheKernelRelease) {
    std::uint32_t version = 0;
    ASSERT_TRUE(GetVersion(version, DataRoot("vm"))); // 6.18.44-fc-v1422
    EXPECT_EQ(version, 6u | 18u << 8 | 44u << 16);
    ASSERT_TRUE(GetVersion(version, DataRoot("laptop"))); // 5.10.0-27-amd64
    EXPECT_EQ(version, 5u | 10u << 8);
    EXPECT_EQ(VersionWord(5, 1, 2600), 261u | 2600u << 16);

    TTempTree tree;
    tree.Write("proc/sys/kernel/osrelease", "6.1\n");
    ASSERT_TRUE(GetVersion(version, tree.Root()));
    EXPECT_EQ(version, 6u | 1u << 8);
    tree.Write("proc/sys/kernel/osrelease", "linux\n");
    const TResult result = GetVersion(version, tree.Root());
    EXPECT_EQ(result.Code, ERROR_INVALID_DATA);
    EXPECT_NE(result.Reason.find("osrelease"), std::string::npos) << result.Reason;
    EXPECT_EQ(version, 0u);
}

TEST(SystemInfo, HostAddressesOfInterfacesUpAndNotLoopbackInInterfaceOrder) {
    // As getifaddrs lists them: not in interface order.
    const std::vector<TInterfaceAddress> candidates = {
        {3, true, false, {10, 0, 0, 3}},     {1, true, true, {127, 0, 0, 1}},
        {2, false, false, {192, 168, 1, 2}}, {4, true, false, {172, 16, 0, 4}},
        {2, true, false, {192, 168, 1, 20}}, {3, true, false, {10, 0, 0, 33}},
    };
    std::vector<TIPv4Address> addresses = {{9, 9, 9, 9}};
    SelectHostAddresses(candidates, addresses);
    EXPECT_EQ(addresses, (std::vector<TIPv4Address>{
                             {192, 168, 1, 20}, {10, 0, 0, 3}, {10, 0, 0, 33}, {172, 16, 0, 4}}));
}

TEST(SystemInfo, ShortHostName) {
    EXPECT_EQ(ShortHostName("laptop.example.org"), "laptop");
    EXPECT_EQ(ShortHostName("laptop"), "laptop");
    EXPECT_EQ(ShortHostName(".hidden"), "");
}

} // namespace
} // namespace keltrix::platform
