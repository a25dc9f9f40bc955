/* A keyboard for weston's headless backend, which has no input devices: a
 * seat whose keys are pressed by lines written to a FIFO, so a test types
 * into a Wayland client through the compositor as a person would.
 *
 *     WESTON_KEYBOARD_FIFO=/path weston --backend=headless-backend.so \
 *         --modules=/path/to/westonkeyboard.so
 *     echo 'type example.com A' > /path     every character, shifted as needed
 *     echo 'key Control_L+q' > /path        a chord of keysym names
 *
 * The keys go to whatever surface the shell gave keyboard focus. */

#include <errno.h>
#include <fcntl.h>
#include <libweston/libweston.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <weston/weston.h>
#include <xkbcommon/xkbcommon.h>

/* libweston exports these for its backends without installing their header. */
void weston_seat_init(struct weston_seat* seat, struct weston_compositor* ec,
                      const char* seat_name);
int weston_seat_init_keyboard(struct weston_seat* seat, struct xkb_keymap* keymap);
void notify_key(struct weston_seat* seat, const struct timespec* time, uint32_t key,
                enum wl_keyboard_key_state state, enum weston_key_state_update update_state);

struct keyboard {
    struct weston_seat seat;
    struct weston_compositor* compositor;
    struct xkb_keymap* keymap; /* the seat's */
    int fd;
    char line[1024];
    size_t used;
};

struct key_search {
    xkb_keysym_t sym;
    xkb_keycode_t code;
    int shifted;
};

static void find_key(struct xkb_keymap* keymap, xkb_keycode_t code, void* data) {
    struct key_search* search = data;
    for (int level = 1; level >= 0; --level) {
        const xkb_keysym_t* syms;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms);
        /* The lowest level and code win: 'q' is not taken from a keypad. */
        if (count == 1 && syms[0] == search->sym
            && (search->code == XKB_KEYCODE_INVALID || level < search->shifted)) {
            search->code = code;
            search->shifted = level;
        }
    }
}

static void send_key(struct keyboard* keyboard, xkb_keycode_t code,
                     enum wl_keyboard_key_state state) {
    struct timespec now;
    weston_compositor_get_time(&now);
    /* Wayland speaks evdev codes, xkb's are 8 higher. */
    notify_key(&keyboard->seat, &now, code - 8, state, STATE_UPDATE_AUTOMATIC);
}

/* Presses the keys of syms in order, then lets them go in reverse. */
static void chord(struct keyboard* keyboard, const xkb_keysym_t* syms, int count) {
    struct key_search keys[8];
    struct key_search shift = {XKB_KEY_Shift_L, XKB_KEYCODE_INVALID, 0};
    int shifted = 0;

    if (count > 8)
        return;
    xkb_keymap_key_for_each(keyboard->keymap, find_key, &shift);
    for (int i = 0; i < count; ++i) {
        keys[i] = (struct key_search){syms[i], XKB_KEYCODE_INVALID, 0};
        xkb_keymap_key_for_each(keyboard->keymap, find_key, &keys[i]);
        if (keys[i].code == XKB_KEYCODE_INVALID) {
            weston_log("westonkeyboard: no key gives keysym 0x%x\n", syms[i]);
            return;
        }
        shifted |= keys[i].shifted;
    }
    if (shifted)
        send_key(keyboard, shift.code, WL_KEYBOARD_KEY_STATE_PRESSED);
    for (int i = 0; i < count; ++i)
        send_key(keyboard, keys[i].code, WL_KEYBOARD_KEY_STATE_PRESSED);
    for (int i = count - 1; i >= 0; --i)
        send_key(keyboard, keys[i].code, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (shifted)
        send_key(keyboard, shift.code, WL_KEYBOARD_KEY_STATE_RELEASED);
}

static void run_line(struct keyboard* keyboard, char* line) {
    if (strncmp(line, "type ", 5) == 0) {
        for (const char* c = line + 5; *c != '\0'; ++c) {
            const xkb_keysym_t sym = xkb_utf32_to_keysym((unsigned char)*c);
            chord(keyboard, &sym, 1);
        }
    } else if (strncmp(line, "key ", 4) == 0) {
        xkb_keysym_t syms[8];
        int count = 0;
        for (char* name = strtok(line + 4, "+"); name != NULL && count < 8;
             name = strtok(NULL, "+"))
            syms[count++] = xkb_keysym_from_name(name, XKB_KEYSYM_NO_FLAGS);
        chord(keyboard, syms, count);
    } else {
        weston_log("westonkeyboard: unknown line \"%s\"\n", line);
    }
}

static int on_readable(int fd, uint32_t mask, void* data) {
    struct keyboard* keyboard = data;
    const ssize_t n =
        read(fd, keyboard->line + keyboard->used, sizeof(keyboard->line) - 1 - keyboard->used);
    char* end;

    (void)mask;
    if (n <= 0)
        return 0;
    keyboard->used += (size_t)n;
    keyboard->line[keyboard->used] = '\0';
    while ((end = strchr(keyboard->line, '\n')) != NULL) {
        *end = '\0';
        run_line(keyboard, keyboard->line);
        keyboard->used -= (size_t)(end + 1 - keyboard->line);
        memmove(keyboard->line, end + 1, keyboard->used + 1);
    }
    /* A line longer than the buffer is dropped rather than run in pieces. */
    if (keyboard->used == sizeof(keyboard->line) - 1)
        keyboard->used = 0;
    return 0;
}

WL_EXPORT int wet_module_init(struct weston_compositor* compositor, int* argc, char* argv[]) {
    const char* path = getenv("WESTON_KEYBOARD_FIFO");
    struct keyboard* keyboard;

    (void)argc;
    (void)argv;
    if (path == NULL || (mkfifo(path, 0600) != 0 && errno != EEXIST)) {
        weston_log("westonkeyboard: set WESTON_KEYBOARD_FIFO to a path it may create\n");
        return -1;
    }
    keyboard = calloc(1, sizeof(*keyboard));
    if (keyboard == NULL)
        return -1;
    keyboard->compositor = compositor;
    /* Read and write, so the FIFO never reads as closed between writers. */
    keyboard->fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (keyboard->fd < 0) {
        weston_log("westonkeyboard: cannot open %s\n", path);
        return -1;
    }
    weston_seat_init(&keyboard->seat, compositor, "test-keyboard");
    /* The compositor's own keymap, the one its clients are sent. */
    if (weston_seat_init_keyboard(&keyboard->seat, NULL) != 0)
        return -1;
    keyboard->keymap = weston_seat_get_keyboard(&keyboard->seat)->xkb_info->keymap;
    wl_event_loop_add_fd(wl_display_get_event_loop(compositor->wl_display), keyboard->fd,
                         WL_EVENT_READABLE, on_readable, keyboard);
    return 0;
}
