// Another process holding a device keeps its port closed. The /proc scan that finds it follows only
// the descriptors of devices: following one of a file on a network file system whose server hangs
// would hang the scan, and the port's opening with it. The test sees which descriptors the scan
// follows by standing in for fstatat.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PortHolders.h"
#include "SerialTestSupport.h"

namespace {

std::vector<std::string> g_followed;  // the targets of the links stat was asked to follow

}  // namespace

// This program's fstatat: notes the target of each link it is asked to follow, then calls the C
// library's.
extern "C" int fstatat(int folderFd, const char* path, struct stat* info, int flags) {
    using Fstatat = int (*)(int, const char*, struct stat*, int);
    static const auto real = reinterpret_cast<Fstatat>(dlsym(RTLD_NEXT, "fstatat"));
    char target[4096];
    const ssize_t length = readlinkat(folderFd, path, target, sizeof target);
    if (length > 0 && (flags & AT_SYMLINK_NOFOLLOW) == 0) g_followed.emplace_back(target, length);
    return real(folderFd, path, info, flags);
}

using PortHolders = SerialPortFixture;

TEST_F(PortHolders, TheScanFollowsOnlyDevicesAndAPortHeldByAnotherProcessIsRefusedUntilReleased) {
    FakeInstrument instrument(Answers());
    // A child holds a file (first, so the scan meets it before the device) and the device, as a
    // terminal program left running does, until the pipe's write end closes.
    std::string file = testing::TempDir() + "corvane-holder-XXXXXX";
    const int held = mkstemp(file.data());
    ASSERT_GE(held, 0);
    const int device = open(instrument.DevicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(device, 0);
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(release[1]);
        char byte;
        _exit(static_cast<int>(read(release[0], &byte, 1)));
    }
    close(held);
    close(device);
    close(release[0]);
    unlink(file.c_str());
    struct stat info {};
    ASSERT_EQ(stat(instrument.DevicePath().c_str(), &info), 0);

    g_followed.clear();
    EXPECT_EQ(OtherHolderOf(info.st_rdev), child);
    EXPECT_FALSE(g_followed.empty());
    for (const std::string& target : g_followed) EXPECT_TRUE(target.starts_with("/dev/")) << target;

    CSerialLink link;
    EXPECT_EQ(OpenOn(link, instrument, 4), CSerialLink::kOpenNoDevice);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_FALSE(CSerialLink::CanOpenPort(4));
    EXPECT_TRUE(instrument.Commands().empty());  // nothing was sent into the other program's line
    close(release[1]);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_TRUE(CSerialLink::CanOpenPort(4));
    EXPECT_EQ(link.OpenPort(4, 9600), CSerialLink::kOpenOk);
}
