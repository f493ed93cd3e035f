// startup_probe PROGRAM [ARGS...]
// Starts PROGRAM and prints two times in milliseconds from just before its
// start: to the mapping of its first top-level window on the X display, and
// to its first frame (the window's centre pixel no longer the root's black:
// run on an X server started with a black root, Xvfb -br); then ends it and
// prints the CPU time it had used by its first frame, which a busy machine
// does not inflate.
// Exit status 1 when it ends or times out (20 s, or STARTUP_PROBE_TIMEOUT_S) first.
// STARTUP_PROBE_AT_FRAME, when set, is a shell command run at the first
// frame, before the end, with the program's process id as $1: under
// valgrind, `callgrind_control -d "$1"` dumps the counts up to that frame.
#include <xcb/xcb.h>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A program run under valgrind takes many times longer to its first frame.
std::chrono::seconds timeout() {
    const char* s = std::getenv("STARTUP_PROBE_TIMEOUT_S");
    const int n = s ? std::atoi(s) : 0;
    return std::chrono::seconds(n > 0 ? n : 20);
}
const auto kTimeout = timeout();

// The processor time every thread of `pid` has used so far, in nanosecond
// steps (schedstat's first field); -1 where the kernel does not keep it.
double onCpuMs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return -1;
    double ns = 0;
    bool any = false;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::FILE* f = std::fopen((tasks + "/" + e->d_name + "/schedstat").c_str(), "r");
        if (!f) continue;
        unsigned long long onCpu = 0;
        if (std::fscanf(f, "%llu", &onCpu) == 1) {
            ns += double(onCpu);
            any = true;
        }
        std::fclose(f);
    }
    closedir(dir);
    return any ? ns / 1e6 : -1;
}

bool ended(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) != child) return false;
    std::fprintf(stderr, "startup_probe: the program ended (status %d)\n", status);
    return true;
}

// Waits for a MapNotify of a child of root: that window, or 0 on timeout or
// the child's end.
xcb_window_t waitForMap(xcb_connection_t* c, xcb_window_t root, pid_t child) {
    const auto deadline = Clock::now() + kTimeout;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> ev(raw, &std::free);
            if ((ev->response_type & 0x7f) != XCB_MAP_NOTIFY) continue;
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(raw);
            if (map->event == root && !map->override_redirect) return map->window;
        }
        if (xcb_connection_has_error(c)) {
            std::fprintf(stderr, "startup_probe: lost the X connection\n");
            return 0;
        }
        if (ended(child)) return 0;
        poll(&pfd, 1, 50);
    }
    std::fprintf(stderr, "startup_probe: no window mapped within the time limit\n");
    return 0;
}

// Polls the window's centre pixel until it is painted (not black).
bool waitForFrame(xcb_connection_t* c, xcb_window_t w, pid_t child) {
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    if (!g) {
        std::fprintf(stderr, "startup_probe: no geometry of window 0x%x\n", unsigned(w));
        return false;
    }
    const int16_t x = int16_t(g->width / 2), y = int16_t(g->height / 2);
    std::free(g);
    const auto deadline = Clock::now() + kTimeout;
    while (Clock::now() < deadline && !ended(child)) {
        xcb_get_image_reply_t* img = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, x, y, 1, 1, ~0u), nullptr);
        if (!img) {
            std::fprintf(stderr, "startup_probe: no image of window 0x%x\n", unsigned(w));
            return false;
        }
        uint32_t pixel = 0;
        if (xcb_get_image_data_length(img) >= 4)
            pixel = *reinterpret_cast<const uint32_t*>(xcb_get_image_data(img)) & 0xffffff;
        std::free(img);
        if (pixel != 0) return true;
        usleep(250);
    }
    std::fprintf(stderr, "startup_probe: window 0x%x not painted\n", unsigned(w));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_probe PROGRAM [ARGS...]\n");
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    // A busy server may turn a connection away for a moment.
    for (int tries = 0; xcb_connection_has_error(c) && tries < 40; ++tries) {
        xcb_disconnect(c);
        usleep(50000);
        c = xcb_connect(nullptr, &screenNumber);
    }
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "startup_probe: no X display\n");
        return 2;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
    const xcb_window_t root = it.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    // A round trip: the mask is in force before the program starts.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    const auto t0 = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[1], argv + 1);
        std::perror("startup_probe: exec");
        _exit(127);
    }
    const xcb_window_t window = child > 0 ? waitForMap(c, root, child) : 0;
    const double mappedMs = msSince(t0);
    const bool painted = window != 0 && waitForFrame(c, window, child);
    const double paintedMs = msSince(t0);
    double cpuMs = 0;
    if (child > 0) {
        // Read at the first frame, before the end: a program that closes
        // its notebook on SIGTERM spends time on the way out that is no
        // part of its start.
        cpuMs = onCpuMs(child);
        if (const char* atFrame = std::getenv("STARTUP_PROBE_AT_FRAME"); atFrame && painted) {
            const std::string command =
                std::string("sh -c '") + atFrame + "' probe " + std::to_string(child);
            if (std::system(command.c_str()) != 0)
                std::fprintf(stderr, "startup_probe: %s failed\n", atFrame);
        }
        kill(child, SIGTERM);
        rusage usage{};
        wait4(child, nullptr, 0, &usage);
        if (cpuMs < 0)
            cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    }
    xcb_disconnect(c);
    if (!painted) {
        std::fprintf(stderr, "startup_probe: %s showed no window\n", argv[1]);
        return 1;
    }
    std::printf("%.1f %.1f %.1f\n", mappedMs, paintedMs, cpuMs);
    return 0;
}
