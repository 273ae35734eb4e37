#include "tools/xharness/xharness.hpp"

#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace vorlip::e2e {

bool on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

namespace {

bool named(const char* entry, const std::string& name) {
    return std::strncmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == '=';
}

pid_t spawn_with(const std::vector<std::string>& args, const ChildEnv& changes,
                 const std::string& err_path, int extra_fd, bool own_output) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env = changes.set;
    for (char** e = environ; *e; ++e) {
        bool keep = true;
        for (const std::string& name : changes.unset) keep = keep && !named(*e, name);
        for (const std::string& set : changes.set)
            keep = keep && !named(*e, set.substr(0, set.find('=')));
        if (keep) env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!own_output) {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    if (extra_fd >= 0) posix_spawn_file_actions_adddup2(&actions, extra_fd, 3);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::string temp_path() {
    char name[] = "/tmp/vorlip-e2e-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return name;
}

}  // namespace

Child::Child(const std::vector<std::string>& args, const std::string& display, int fd3,
             bool own_output)
    : err_path_(temp_path()) {
    ChildEnv env{{}, {"DISPLAY"}};
    if (!display.empty()) env.set.push_back("DISPLAY=" + display);
    pid_ = spawn_with(args, env, err_path_, fd3, own_output);
}

Child::Child(const std::vector<std::string>& args, const ChildEnv& env, int fd3, bool own_output)
    : err_path_(temp_path()) {
    pid_ = spawn_with(args, env, err_path_, fd3, own_output);
}

Child::Child(Child&& o) noexcept {
    *this = std::move(o);
}

Child& Child::operator=(Child&& o) noexcept {
    if (this != &o) {
        stop();
        pid_ = o.pid_;
        status_ = o.status_;
        err_path_ = std::move(o.err_path_);
        o.pid_ = -1;
        o.err_path_.clear();
    }
    return *this;
}

Child::~Child() {
    stop();
}

void Child::stop() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        int st = 0;
        waitpid(pid_, &st, 0);
    }
    if (!err_path_.empty()) unlink(err_path_.c_str());
    pid_ = -1;
}

std::optional<int> Child::wait(milliseconds limit) {
    if (status_ || pid_ <= 0) return status_;
    const int fd = int(syscall(SYS_pidfd_open, pid_, 0));
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, int(limit.count()));
        close(fd);
    }
    int st = 0;
    const auto deadline = std::chrono::steady_clock::now() + (fd >= 0 ? milliseconds(0) : limit);
    pid_t r = 0;
    do {
        r = waitpid(pid_, &st, WNOHANG);
        if (r == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(2));
    } while (r == 0 && std::chrono::steady_clock::now() < deadline);
    if (r != pid_) return std::nullopt;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return status_;
}

void Child::signal(int sig) const {
    if (pid_ > 0 && !status_) kill(pid_, sig);
}

std::string Child::error_text() const {
    std::ifstream in(err_path_);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Xvfb::Xvfb(int width, int height, int depth, int screens) {
    if (!on_path("Xvfb")) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    // Xvfb picks a free display number and writes it to descriptor 3. No reset when the last
    // client leaves, so the root picture stays between tests.
    std::vector<std::string> args{"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-noreset"};
    for (int s = 0; s < screens; ++s)
        args.insert(args.end(), {"-screen", std::to_string(s),
                                 std::to_string(width) + "x" + std::to_string(height) + "x" +
                                     std::to_string(depth)});
    server_ = Child(args, "", fds[1]);
    close(fds[1]);
    std::string number;
    char c = 0;
    pollfd p{fds[0], POLLIN, 0};
    while (server_.started() && poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
    server_.signal(SIGTERM);
    server_.wait(milliseconds(3000));  // then killed by the Child if still there
}

bool wait_until(const std::function<bool()>& done, milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(3));
    }
    return true;
}

std::vector<Window> windows_titled(Display* dpy, const std::string& title) {
    std::vector<Window> found, todo{DefaultRootWindow(dpy)};
    while (!todo.empty()) {
        const Window w = todo.back();
        todo.pop_back();
        char* name = nullptr;
        if (XFetchName(dpy, w, &name) && name) {
            if (title == name) found.push_back(w);
            XFree(name);
        }
        Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        if (XQueryTree(dpy, w, &root, &parent, &children, &n) && children) {
            todo.insert(todo.end(), children, children + n);
            XFree(children);
        }
    }
    return found;
}

Window window_shown_at(Display* dpy, const std::string& title, const Rect& where) {
    // The map state and the place come from two requests: with the server held between them,
    // a window hidden and moved meanwhile cannot pass for one shown at the new place.
    XGrabServer(dpy);
    Window found = 0;
    for (const Window w : windows_titled(dpy, title)) {
        XWindowAttributes a;
        Window child = 0;
        int x = 0, y = 0;
        if (XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable &&
            XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child) &&
            Rect{x, y, a.width, a.height} == where) {
            found = w;
            break;
        }
    }
    XUngrabServer(dpy);
    XSync(dpy, False);
    return found;
}

bool keyboard_grabbed_elsewhere(Display* dpy) {
    const int r = XGrabKeyboard(dpy, DefaultRootWindow(dpy), False, GrabModeAsync, GrabModeAsync,
                                CurrentTime);
    if (r == GrabSuccess) XUngrabKeyboard(dpy, CurrentTime);
    XSync(dpy, False);
    return r != GrabSuccess;
}

bool pointer_grabbed_elsewhere(Display* dpy) {
    const int r = XGrabPointer(dpy, DefaultRootWindow(dpy), False, 0, GrabModeAsync, GrabModeAsync,
                               None, None, CurrentTime);
    if (r == GrabSuccess) XUngrabPointer(dpy, CurrentTime);
    XSync(dpy, False);
    return r != GrabSuccess;
}

bool CursorImage::invisible() const {
    for (unsigned long p : argb)
        if ((p >> 24) & 0xFF) return false;
    return true;
}

CursorImage current_cursor(Display* dpy) {
    CursorImage out;
    int event_base = 0, error_base = 0, major = 6, minor = 0;
    if (!XFixesQueryExtension(dpy, &event_base, &error_base)) return out;
    XFixesQueryVersion(dpy, &major, &minor);
    XFixesCursorImage* img = XFixesGetCursorImage(dpy);
    if (!img) return out;
    out.width = img->width;
    out.height = img->height;
    out.argb.assign(img->pixels, img->pixels + std::size_t(img->width) * img->height);
    XFree(img);
    return out;
}

}  // namespace vorlip::e2e
