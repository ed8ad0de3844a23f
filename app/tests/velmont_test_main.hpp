// Test support: the main function of every velmont test program.
#pragma once

#include <QtTest>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

namespace velmont_test {

/// Threads of this process still alive, as /proc/self/task lists them; 0 where it cannot tell.
inline int LiveThreads() {
    std::error_code error;
    const std::filesystem::directory_iterator tasks("/proc/self/task", error);
    return error ? 0
                 : static_cast<int>(std::distance(tasks, std::filesystem::directory_iterator()));
}

/// Waits up to two seconds for every other thread of the process to be gone.
///
/// Qt's worker threads (its thread pool paints large areas on them) are detached: the
/// application's destructor waits for each to finish its work, not for it to end. A thread
/// still tearing itself down while the process exits holds the last reference to its
/// thread data where the leak check at exit no longer looks, and the check reports that
/// data as lost, now and then, in any test program that painted.
inline void AwaitOtherThreads() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (LiveThreads() > 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace velmont_test

/// As QTEST_MAIN, with the application gone and Qt's threads ended before the process exits.
#define VELMONT_TEST_MAIN(TestObject)                \
    static int RunTests(int argc, char* argv[]) {    \
        QTest::Internal::callInitMain<TestObject>(); \
        QTEST_MAIN_SETUP()                           \
        TestObject tc;                               \
        QTEST_SET_MAIN_SOURCE_PATH                   \
        return QTest::qExec(&tc, argc, argv);        \
    }                                                \
    int main(int argc, char* argv[]) {               \
        const int status = RunTests(argc, argv);     \
        velmont_test::AwaitOtherThreads();           \
        return status;                               \
    }
