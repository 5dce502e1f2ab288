// The pointer of bench/window_drag.sh's drags, and a watch on how the window
// answers it. Moves the pointer from X,Y by DX points STEPS times, one move
// every INTERVAL microseconds on a fixed schedule (XWarpPointer, which the
// server handles as a device's motion), while it watches the top-level
// window holding WIN (its frame under a window manager) for ConfigureNotify.
// The button is pressed before and released after, by others.
//
//     drag_pointer WIN X Y DX STEPS INTERVAL FROM
//
// Prints a line for each move whose travel is FROM points or more (the drag
// distance on): how long after the move the window got as far as it asks, in
// microseconds (-1: not within half a second), 1 when the next move came
// first (for the last, when it took longer than INTERVAL), else 0, and how
// many points short of that the window was when the next move came.
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <time.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char** argv)
{
    if (argc != 8) {
        fprintf(stderr, "usage: drag_pointer WIN X Y DX STEPS INTERVAL FROM\n");
        return 2;
    }
    const Window win = strtoul(argv[1], NULL, 0);
    const int x = atoi(argv[2]), y = atoi(argv[3]), dx = atoi(argv[4]), steps = atoi(argv[5]);
    const double interval = atof(argv[6]) / 1e6;
    const int from = atoi(argv[7]);
    const int sign = dx < 0 ? -1 : 1;
    Display* d = XOpenDisplay(NULL);
    if (!d || steps < 1 || interval <= 0) {
        fprintf(stderr, "drag_pointer: no display or bad arguments\n");
        return 2;
    }
    const Window root = DefaultRootWindow(d);
    Window top = win;
    for (;;) {
        Window r, parent, *kids = NULL;
        unsigned n;
        if (!XQueryTree(d, top, &r, &parent, &kids, &n))
            return 2;
        if (kids)
            XFree(kids);
        if (parent == root)
            break;
        top = parent;
    }
    XSelectInput(d, top, StructureNotifyMask);
    XWindowAttributes a;
    XGetWindowAttributes(d, top, &a);
    const int x0 = a.x;

    // Move j (1-based) goes at start + (j - 1) * interval.
    double* moved = calloc(steps + 2, sizeof *moved);
    double* reached = calloc(steps + 2, sizeof *reached);
    int* short_by = calloc(steps + 2, sizeof *short_by);
    for (int j = 0; j <= steps; ++j)
        reached[j] = -1;
    int offset = 0, k = 0;
    const double start = now() + 0.001;
    const double end = start + steps * interval + 0.5;
    const int fd = ConnectionNumber(d);
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type != ConfigureNotify || e.xconfigure.window != top)
                continue;
            offset = e.xconfigure.x - x0;
            const double t = now();
            for (int j = 1; j <= k; ++j)
                if (reached[j] < 0 && sign * offset >= abs(j * dx))
                    reached[j] = t;
        }
        if (k < steps && now() >= start + k * interval) {
            if (k > 0)
                short_by[k] = abs(k * dx) - sign * offset;
            ++k;
            XWarpPointer(d, None, root, 0, 0, 0, 0, x + k * dx, y);
            XFlush(d);
            moved[k] = now();
            continue;
        }
        if ((k == steps && reached[steps] >= 0) || now() > end)
            break;
        const double next = k < steps ? start + k * interval : end;
        double wait = next - now();
        if (wait < 0)
            wait = 0;
        struct timeval tv = {(time_t)wait, (suseconds_t)((wait - (time_t)wait) * 1e6)};
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        select(fd + 1, &fds, NULL, NULL, &tv);
    }
    for (int j = 1; j <= steps; ++j) {
        if (abs(j * dx) < from)
            continue;
        const double lag = reached[j] < 0 ? -1 : (reached[j] - moved[j]) * 1e6;
        const int behind = reached[j] < 0 || (j < steps ? reached[j] > moved[j + 1] : lag > interval * 1e6);
        printf("%.0f %d %d\n", lag, behind, j < steps && short_by[j] > 0 ? short_by[j] : 0);
    }
    XCloseDisplay(d);
    return 0;
}
