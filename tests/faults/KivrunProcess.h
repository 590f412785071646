#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

// kivrun started in the background in a folder, its output in stdout.txt and stderr.txt
// there, so that a test can signal it, time it or give up on it.
class KivrunProcess {
public:
    static constexpr int kStillRunning = -1;

    KivrunProcess(const std::string& folder, const std::vector<std::string>& arguments) {
        std::vector<std::string> all{KIVRUN_PATH, "-console"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        mPid = ::fork();
        if (mPid == 0) {
            if (::chdir(folder.c_str()) == 0 && std::freopen("stdout.txt", "w", stdout) &&
                std::freopen("stderr.txt", "w", stderr)) {
                ::execv(KIVRUN_PATH, argv.data());
            }
            ::_exit(99);
        }
    }
    // A process still running at the end of the test is killed.
    ~KivrunProcess() {
        if (mStatus == kStillRunning) {
            ::kill(mPid, SIGKILL);
            ::waitpid(mPid, nullptr, 0);
        }
    }
    KivrunProcess(const KivrunProcess&) = delete;
    KivrunProcess& operator=(const KivrunProcess&) = delete;

    bool Signal(int signal) const { return ::kill(mPid, signal) == 0; }

    // The exit status, 1000 + the signal that ended the process, or kStillRunning when it
    // still runs after `limit`.
    int Wait(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        int raw = 0;
        rusage usage{};
        while (mStatus == kStillRunning) {
            const pid_t ended = ::wait4(mPid, &raw, WNOHANG, &usage);
            if (ended == mPid) {
                mStatus = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
                mCpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
                mPeakKilobytes = usage.ru_maxrss;
            } else if (std::chrono::steady_clock::now() > end) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return mStatus;
    }

    // Processor time the ended process used, user and system.
    double CpuSeconds() const { return mCpuSeconds; }
    // The most memory the ended process held at once.
    long PeakKilobytes() const { return mPeakKilobytes; }

private:
    static double seconds(const timeval& time) {
        return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6;
    }

    pid_t mPid = -1;
    int mStatus = kStillRunning;
    double mCpuSeconds = 0;
    long mPeakKilobytes = 0;
};
