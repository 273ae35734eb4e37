// How fast the saver lets go: the time from a 1-pixel mouse move to the end of the vorlip
// process, over 20 runs on a private Xvfb display. The median must stay under 40 ms (two ticks).
//
// usage: vorlip-exit-latency [--runs N] [--size WxH] [--program PATH]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int pidfd_of(pid_t pid) {
    return int(syscall(SYS_pidfd_open, pid, 0));
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extra_env,
            const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env_store(extra_env);
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) env_store.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env_store) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

// Waits for a child to end; the exit status, or -1 when it is still running after `limit`.
int wait_exit(pid_t pid, std::chrono::milliseconds limit) {
    const int fd = pidfd_of(pid);
    pollfd p{fd, POLLIN, 0};
    const int ready = fd >= 0 ? poll(&p, 1, int(limit.count())) : 0;
    if (fd >= 0) close(fd);
    int status = 0;
    if (ready <= 0 && waitpid(pid, &status, WNOHANG) == 0) return -1;
    if (ready > 0) waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool saver_shown(Display* dpy) {
    Window root_return = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    bool shown = false;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root_return, &parent, &children, &n))
        return false;
    for (unsigned k = 0; k < n && !shown; ++k) {
        char* name = nullptr;
        if (XFetchName(dpy, children[k], &name) && name) {
            XWindowAttributes a;
            shown = std::strcmp(name, "SAVER vorlip") == 0 &&
                    XGetWindowAttributes(dpy, children[k], &a) && a.map_state == IsViewable;
            XFree(name);
        }
    }
    if (children) XFree(children);
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 20;
    std::string size = "1024x768";
    std::string program = VORLIP_PROGRAM;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "--runs" && k + 1 < argc) {
            runs = std::atoi(argv[++k]);
        } else if (a == "--size" && k + 1 < argc) {
            size = argv[++k];
        } else if (a == "--program" && k + 1 < argc) {
            program = argv[++k];
        } else {
            std::fprintf(stderr,
                         "usage: vorlip-exit-latency [--runs N] [--size WxH] [--program PATH]\n");
            return 2;
        }
    }
    if (runs < 1 || runs > 1000) {
        std::fprintf(stderr, "vorlip-exit-latency: --runs wants 1 to 1000\n");
        return 2;
    }

    // A display of our own: Xvfb picks a free number and writes it to the pipe.
    int fds[2];
    if (pipe(fds) != 0) return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const pid_t xvfb = spawn(
        {"Xvfb", "-displayfd", "3", "-screen", "0", size + "x24", "-nolisten", "tcp", "-noreset"},
        {}, &actions);
    close(fds[1]);
    if (xvfb < 0) {
        std::fprintf(stderr, "vorlip-exit-latency: cannot start Xvfb\n");
        return 1;
    }
    std::string number;
    char c = 0;
    pollfd pf{fds[0], POLLIN, 0};
    while (poll(&pf, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    const std::string display = ":" + number;
    Display* dpy = number.empty() ? nullptr : XOpenDisplay(display.c_str());
    if (!dpy) {
        std::fprintf(stderr, "vorlip-exit-latency: Xvfb did not come up\n");
        kill(xvfb, SIGTERM);
        return 1;
    }

    std::vector<double> ms;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        const pid_t saver = spawn({program, "/s"}, {"DISPLAY=" + display});
        const Clock::time_point start = Clock::now();
        bool shown = false;
        while (!(shown = saver_shown(dpy)) && Clock::now() - start < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (!shown) {
            ++failures;
            kill(saver, SIGKILL);
            waitpid(saver, nullptr, 0);
            std::printf("run %2d: no saver window within 10 s\n", run + 1);
            continue;
        }
        // Let it run a few ticks, at a phase that differs from run to run.
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 7 * run));
        XWarpPointer(dpy, None, None, 0, 0, 0, 0, run % 2 ? -1 : 1, 0);
        XSync(dpy, False);
        const Clock::time_point moved = Clock::now();
        const int status = wait_exit(saver, std::chrono::milliseconds(5000));
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - moved).count();
        if (status != 0) {
            ++failures;
            if (status < 0) {
                kill(saver, SIGKILL);
                waitpid(saver, nullptr, 0);
            }
            std::printf("run %2d: the saver did not end cleanly (status %d)\n", run + 1, status);
            continue;
        }
        ms.push_back(took);
        std::printf("run %2d: %6.2f ms\n", run + 1, took);
    }
    XCloseDisplay(dpy);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);

    if (ms.empty()) return 1;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    std::printf(
        "exit latency over %zu runs on %s: median %.2f ms, min %.2f ms, max %.2f ms "
        "(target: median under 40 ms)\n",
        n, size.c_str(), median, ms.front(), ms.back());
    return failures == 0 && median < 40.0 ? 0 : 1;
}
