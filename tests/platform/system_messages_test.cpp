// The system's messages between processes: the per-user sockets, what a listener accepts, the
// answer that travels back, sockets left behind, and the signals that ask a program to end.
#include "platform/system_messages.h"
#include "platform/system_messages/wire.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

using namespace platform;

namespace {

constexpr LRESULT kDenyForTest = 0x424D5144;

SystemMessage devNodeMessage(WPARAM event, DWORD node) {
    DEV_BROADCAST_DEVNODE record{sizeof(DEV_BROADCAST_DEVNODE), DBT_DEVTYP_DEVNODE, 0, node};
    SystemMessage message{WM_DEVICECHANGE, event, {}};
    message.record.resize(sizeof record);
    std::memcpy(message.record.data(), &record, sizeof record);
    return message;
}

// A sender in a process of its own (a process never sends to itself), forked before the
// listener's thread exists. It waits for the go, sends, and reports what it got through a pipe.
class SenderProcess {
public:
    explicit SenderProcess(SystemMessage message) {
        int go[2];
        int report[2];
        if (::pipe(go) != 0 || ::pipe(report) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(go[1]);
            ::close(report[0]);
            char byte = 0;
            if (::read(go[0], &byte, 1) != 1) {
                ::_exit(3);
            }
            auto answers = sendSystemMessage(message, 5000);
            for (const auto& a : answers) {
                Report r{a.pid, a.reached, static_cast<int>(a.delivery.status), a.delivery.result};
                [[maybe_unused]] ssize_t n = ::write(report[1], &r, sizeof r);
            }
            ::_exit(0);
        }
        ::close(go[0]);
        ::close(report[1]);
        go_ = go[1];
        report_ = report[0];
    }
    ~SenderProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(go_);
        ::close(report_);
    }

    struct Report {
        pid_t pid;
        bool reached;
        int status;
        LRESULT result;
    };

    // Lets it send and collects its reports once it has ended.
    std::vector<Report> run() {
        char byte = 1;
        EXPECT_EQ(::write(go_, &byte, 1), 1);
        std::vector<Report> reports;
        Report r{};
        while (::read(report_, &r, sizeof r) == static_cast<ssize_t>(sizeof r)) {
            reports.push_back(r);
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return reports;
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    int report_ = -1;
};

class SystemMessagesTest : public ::testing::Test {
protected:
    void TearDown() override { stopSystemMessageListener(); }

    orv_test::TempDir dir_;
    orv_test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path().string()};
    std::mutex mutex_;
    std::vector<SystemMessage> received_;
    std::vector<int> signals_;
};

TEST(SystemMessageWire, RequestsRoundTripAndMalformedOnesAreRejected) {
    SystemMessage message = devNodeMessage(DBT_DEVICEQUERYREMOVE, 0xC1A30400);
    auto packet = wire::encodeRequest(message);
    auto decoded = wire::decodeRequest(packet.data(), packet.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->msg, WM_DEVICECHANGE);
    EXPECT_EQ(decoded->wParam, DBT_DEVICEQUERYREMOVE);
    EXPECT_EQ(decoded->record, message.record);

    EXPECT_FALSE(wire::decodeRequest(packet.data(), packet.size() - 1)); // cut short
    auto longer = packet;
    longer.push_back(0);
    EXPECT_FALSE(wire::decodeRequest(longer.data(), longer.size()));
    auto badMagic = packet;
    badMagic[0] ^= 0xFF;
    EXPECT_FALSE(wire::decodeRequest(badMagic.data(), badMagic.size()));
    EXPECT_FALSE(wire::decodeRequest(packet.data(), 10));

    auto answer = wire::encodeAnswer({DeliveryStatus::Delivered, 0x424D5144});
    auto back = wire::decodeAnswer(reinterpret_cast<const std::uint8_t*>(&answer), sizeof answer);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->status, DeliveryStatus::Delivered);
    EXPECT_EQ(back->result, 0x424D5144);
    answer.status = 9;
    EXPECT_FALSE(wire::decodeAnswer(reinterpret_cast<const std::uint8_t*>(&answer), sizeof answer));
}

TEST(SystemMessageWire, OnlyDeviceChangesWithAWholeRecordAreAccepted) {
    EXPECT_TRUE(isAcceptedSystemMessage(devNodeMessage(DBT_DEVICEARRIVAL, 1)));
    SystemMessage close{WM_CLOSE, 0, {}};
    EXPECT_FALSE(isAcceptedSystemMessage(close));
    SystemMessage bare{WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, {}};
    EXPECT_FALSE(isAcceptedSystemMessage(bare));
    SystemMessage lying = devNodeMessage(DBT_DEVICEQUERYREMOVE, 1);
    lying.record[0] = 200; // dbch_size says more than there is
    EXPECT_FALSE(isAcceptedSystemMessage(lying));
    SystemMessage huge = devNodeMessage(DBT_DEVICEQUERYREMOVE, 1);
    huge.record.resize(kMaxRecordSize + 4);
    DWORD size = static_cast<DWORD>(huge.record.size());
    std::memcpy(huge.record.data(), &size, sizeof size);
    EXPECT_FALSE(isAcceptedSystemMessage(huge));
}

TEST_F(SystemMessagesTest, ADeviceChangeReachesTheListenerAndItsAnswerTheSender) {
    SenderProcess sender(devNodeMessage(DBT_DEVICEQUERYREMOVE, 0xC1A30400));
    std::string error;
    ASSERT_TRUE(startSystemMessageListener(
        [this](const SystemMessage& m) {
            std::lock_guard lock(mutex_);
            received_.push_back(m);
            return DeliveryResult{DeliveryStatus::Delivered, kDenyForTest};
        },
        [](int) {}, error))
        << error;
    EXPECT_TRUE(error.empty()) << error;

    // Private: the folder to the user alone, the socket to the user alone.
    struct stat st {};
    ASSERT_EQ(::stat(systemMessageDir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const auto socket = systemMessageSocket();
    EXPECT_EQ(socket.parent_path(), systemMessageDir());
    ASSERT_EQ(::stat(socket.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    auto reports = sender.run();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].pid, ::getpid());
    EXPECT_TRUE(reports[0].reached);
    EXPECT_EQ(reports[0].status, static_cast<int>(DeliveryStatus::Delivered));
    EXPECT_EQ(reports[0].result, kDenyForTest);
    {
        std::lock_guard lock(mutex_);
        ASSERT_EQ(received_.size(), 1u);
        EXPECT_EQ(received_[0].msg, WM_DEVICECHANGE);
        EXPECT_EQ(received_[0].wParam, DBT_DEVICEQUERYREMOVE);
        DEV_BROADCAST_DEVNODE record{};
        ASSERT_EQ(received_[0].record.size(), sizeof record);
        std::memcpy(&record, received_[0].record.data(), sizeof record);
        EXPECT_EQ(record.dbcd_devnode, 0xC1A30400u);
    }
    stopSystemMessageListener();
    EXPECT_FALSE(std::filesystem::exists(socket));
}

TEST_F(SystemMessagesTest, AMessageProgramsDoNotAcceptIsRefusedWithoutReachingThem) {
    SenderProcess sender(SystemMessage{WM_CLOSE, 0, {}});
    std::string error;
    ASSERT_TRUE(startSystemMessageListener(
        [this](const SystemMessage& m) {
            std::lock_guard lock(mutex_);
            received_.push_back(m);
            return DeliveryResult{DeliveryStatus::Delivered, 1};
        },
        [](int) {}, error));
    auto reports = sender.run();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].reached);
    EXPECT_EQ(reports[0].status, static_cast<int>(DeliveryStatus::Refused));
    std::lock_guard lock(mutex_);
    EXPECT_TRUE(received_.empty());
}

TEST_F(SystemMessagesTest, ASocketLeftBehindByAProgramThatIsGoneIsRemoved) {
    std::string error;
    ASSERT_TRUE(startSystemMessageListener([](const SystemMessage&) { return DeliveryResult{}; },
                                           [](int) {}, error));
    // A program that died without tidying up: its socket file stays, nobody listens on it.
    const auto stale = systemMessageDir() / "424242.sock";
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, stale.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    // Other files in the folder are no business of the sender.
    std::ofstream(systemMessageDir() / "notes.txt") << "x";

    auto answers = sendSystemMessage(devNodeMessage(DBT_DEVICEARRIVAL, 7), 1000);
    ASSERT_EQ(answers.size(), 1u); // our own socket is passed over
    EXPECT_EQ(answers[0].pid, 424242);
    EXPECT_FALSE(answers[0].reached);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(systemMessageDir() / "notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(systemMessageSocket()));
}

TEST_F(SystemMessagesTest, TheEndSignalsArriveOnTheListenersThreadAndTheirHandlingIsRestored) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before[3];
    const int kinds[3] = {SIGTERM, SIGINT, SIGHUP};
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kinds[i], &ignore, &before[i]);
    }
    std::string error;
    ASSERT_TRUE(startSystemMessageListener([](const SystemMessage&) { return DeliveryResult{}; },
                                           [this](int signal) {
                                               std::lock_guard lock(mutex_);
                                               signals_.push_back(signal);
                                           },
                                           error));
    EXPECT_FALSE(startSystemMessageListener([](const SystemMessage&) { return DeliveryResult{}; },
                                            [](int) {}, error));
    for (int kind : kinds) {
        ::raise(kind);
    }
    EXPECT_TRUE(orv_test::waitUntil([this] {
        std::lock_guard lock(mutex_);
        return signals_.size() == 3;
    }));
    {
        std::lock_guard lock(mutex_);
        EXPECT_EQ(signals_, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
    }
    stopSystemMessageListener();
    for (int i = 0; i < 3; ++i) {
        struct sigaction now {};
        ::sigaction(kinds[i], &before[i], &now);
        EXPECT_EQ(now.sa_handler, SIG_IGN) << kinds[i];
    }
}

} // namespace
