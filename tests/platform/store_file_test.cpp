// The file handling the stores share: the lock, regular files only, moving aside without ever
// replacing a file, and temporaries of dead processes.
#include "platform/store_file.h"
#include "support/temp_dir.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string stampAt(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

TEST(StoreFile, MovingAsideNeverReplacesAFile) {
    orv_test::TempDir dir;
    const std::string path = (dir.path() / "store").string();
    // Names of this second and the next are taken already, as by files moved aside before.
    const std::time_t now = std::time(nullptr);
    for (std::time_t t : {now, now + 1}) {
        std::ofstream(path + ".broken-" + stampAt(t)) << "earlier";
        std::ofstream(path + ".broken-" + stampAt(t) + "-1-wal") << "earlier wal";
    }
    std::vector<std::string> moved;
    for (const char* content : {"one", "two", "three"}) {
        std::ofstream(path) << content;
        std::ofstream(path + "-wal") << content << " wal";
        const auto target = platform::moveAside(path, {"-wal", "-shm"});
        ASSERT_TRUE(target) << std::strerror(errno);
        EXPECT_FALSE(fs::exists(path));
        EXPECT_FALSE(fs::exists(path + "-wal"));
        EXPECT_EQ(orv_test::readFile(*target), content);
        EXPECT_EQ(orv_test::readFile(*target + "-wal"), std::string(content) + " wal");
        moved.push_back(*target);
    }
    EXPECT_NE(moved[0], moved[1]);
    EXPECT_NE(moved[1], moved[2]);
    for (std::time_t t : {now, now + 1}) {
        EXPECT_EQ(orv_test::readFile(path + ".broken-" + stampAt(t)), "earlier");
        EXPECT_EQ(orv_test::readFile(path + ".broken-" + stampAt(t) + "-1-wal"), "earlier wal");
    }
    errno = 0;
    EXPECT_FALSE(platform::moveAside(path)) << "nothing to move";
    EXPECT_EQ(errno, ENOENT);
}

TEST(StoreFile, OnlyRegularFilesAreOpenedAndNothingBlocks) {
    orv_test::TempDir dir;
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opening = std::async(std::launch::async, [&] {
        return std::pair(platform::openRegularFile(fifo, O_RDONLY),
                         platform::openRegularFile(fifo, O_RDWR | O_CREAT));
    });
    if (opening.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer); // and closing it ends a read with nothing
        opening.wait();
        FAIL() << "opening blocked on a FIFO";
    }
    EXPECT_EQ(opening.get(), std::pair(platform::kNotARegularFile, platform::kNotARegularFile));
    EXPECT_EQ(platform::openRegularFile(dir.path().string(), O_RDONLY), platform::kNotARegularFile);
    EXPECT_EQ(platform::openRegularFile("/dev/null", O_RDONLY), platform::kNotARegularFile);
    EXPECT_EQ(platform::openRegularFile((dir.path() / "none").string(), O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);

    const std::string file = (dir.path() / "file").string();
    const int fd = platform::openRegularFile(file, O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0) << "a regular file is used blocking";
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ::close(fd);
}

TEST(StoreFile, LockKeepsASecondHolderWaiting) {
    orv_test::TempDir dir;
    const std::string path = (dir.path() / "store").string();
    std::atomic<bool> secondHeld{false};
    std::thread second;
    {
        platform::FileLock first(path);
        ASSERT_TRUE(first.held());
        second = std::thread([&] {
            platform::FileLock lock(path);
            secondHeld = lock.held();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(secondHeld) << "two holders at once";
    }
    second.join();
    EXPECT_TRUE(secondHeld);

    platform::FileLock nowhere((dir.path() / "none" / "store").string());
    EXPECT_FALSE(nowhere.held());
    EXPECT_EQ(nowhere.error(), ENOENT);
}

TEST(StoreFile, OnlyTemporariesOfDeadProcessesAreRemoved) {
    orv_test::TempDir dir;
    const std::string path = (dir.path() / "settings").string();
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::vector<std::string> kept = {
        platform::temporaryFor(path),                 // ours: we live
        path + ".tmp-" + std::to_string(::getppid()), // a living process's
        path + ".tmp-x" + std::to_string(child),      // not a temporary of ours
        path + "x.tmp-" + std::to_string(child),      // another file's
    };
    const std::string dead = path + ".tmp-" + std::to_string(child);
    for (const auto& name : kept) {
        std::ofstream(name) << "x";
    }
    std::ofstream(dead) << "x";
    EXPECT_EQ(platform::removeStaleTemporaries(path), 1);
    EXPECT_FALSE(fs::exists(dead));
    for (const auto& name : kept) {
        EXPECT_TRUE(fs::exists(name)) << name;
    }
}

} // namespace
