// Pop-up menu driving: finds the menu windows on the display, reads their entry rows from their pixels, points and
// clicks through the harness's pointer functions.
#include "tests/e2e/menu_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A menu opens, redraws or reacts within milliseconds on an idle machine; seconds leave room for a loaded one.
const int step_timeout_ms = 5000;
const int close_timeout_ms = 3000;
const int poll_interval_ms = 40;
// A menu shown for the first time is drawn once for its old size; asking again covers a request that came too soon.
const int redraw_interval_ms = 500;
// No menu font draws rows this short; allowing shorter rows would let one label's glyphs pass for two entries.
const int min_entry_height = 6;
const int max_frame_width = 8;
const int dismiss_attempts = 3;
// An entry shown under the pointer this long with no submenu opened has none: a menu opens its submenu as it
// highlights the entry, so this only covers the two reaching the screen apart.
const int plain_entry_grace_ms = 1000;
// The viewer may be busy with what was chosen (loading a terrain, say) before it paints over the closed menus.
const int repaint_timeout_ms = 10000;
// Under this share of pixels still equal to a closed menu's picture, the viewer has painted over it: a scene
// rarely matches a menu's flat greys pixel for pixel.
const double ghost_share = 0.5;
// How long a menu that has not drawn itself yet is given before closing it.
const int unfinished_menu_wait_ms = 1000;
// The viewer attaches its menu to the right button, which also chooses an entry.
const int menu_button = 3;

// How a menu's picture divides into entries.
struct MenuLayout {
    int frame = 0;            // width of the bevelled frame around the entries, in pixels
    int entry_height = 0;     // entries are stacked with no gap, the first at y == frame
    int entries = 0;
    uint32_t background = 0;  // fill of an entry the pointer is not on
};

// An open menu: its window and what was read from its picture.
struct OpenMenu {
    TopLevelWindow window;
    MenuLayout layout;
};

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

long long elapsed_ms(Clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

bool is_well_formed(const Screenshot& s) {
    return s.width > 0 && s.height > 0 &&
           s.rgb.size() == static_cast<size_t>(s.width) * static_cast<size_t>(s.height) * 3;
}

// Callers keep 0 <= x < width and 0 <= y < height.
uint32_t colour_at(const Screenshot& s, int x, int y) {
    const unsigned char* px = s.rgb.data() + (static_cast<size_t>(y) * s.width + x) * 3;
    return static_cast<uint32_t>(px[0]) << 16 | static_cast<uint32_t>(px[1]) << 8 | px[2];
}

// True if every pixel of [x0,x1) x [y0,y1) (already inside the image) has colour c.
bool area_is(const Screenshot& s, int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (colour_at(s, x, y) != c) return false;
        }
    }
    return true;
}

// How many pixels of each colour row y has over [x0, x1) (inside the image), by colour.
std::vector<std::pair<uint32_t, int>> count_colours(const Screenshot& s, int y, int x0, int x1) {
    std::vector<uint32_t> row;
    row.reserve(static_cast<size_t>(std::max(x1 - x0, 0)));
    for (int x = x0; x < x1; ++x) row.push_back(colour_at(s, x, y));
    std::sort(row.begin(), row.end());
    std::vector<std::pair<uint32_t, int>> counts;
    for (uint32_t c : row) {
        if (counts.empty() || counts.back().first != c) counts.emplace_back(c, 0);
        ++counts.back().second;
    }
    return counts;
}

int count_of(const std::vector<std::pair<uint32_t, int>>& counts, uint32_t colour) {
    auto it = std::lower_bound(counts.begin(), counts.end(), std::make_pair(colour, 0));
    return it != counts.end() && it->first == colour ? it->second : 0;
}

// The colour covering most of rows [first, last) given their colour counts.
uint32_t main_colour(const std::vector<std::vector<std::pair<uint32_t, int>>>& rows, int first, int last) {
    std::vector<std::pair<uint32_t, int>> all;
    for (int r = first; r < last; ++r) all.insert(all.end(), rows[r].begin(), rows[r].end());
    std::sort(all.begin(), all.end());
    uint32_t best = 0;
    long best_count = -1;
    for (size_t i = 0; i < all.size();) {
        long n = 0;
        size_t j = i;
        for (; j < all.size() && all[j].first == all[i].first; ++j) n += all[j].second;
        if (n > best_count) {
            best_count = n;
            best = all[i].first;
        }
        i = j;
    }
    return best;
}

// Reads how a menu picture divides into entries, with each entry's fill colour in *fills. The menus' own drawing,
// measured on screen: a frame of light top and left edges and dark bottom and right edges, then equal rows, one per
// entry, each a flat fill (another one for the entry under the pointer) with a label on it. The row height taken is
// the smallest under which every row holds some of a label and no run of pixel lines that differ from their row's
// fill crosses into the next row: a smaller height would need more labels than there are. False with *why when the
// picture is no finished menu (not drawn yet, or drawn for an old size, as a menu's first picture can be).
bool read_menu_picture(const Screenshot& s, MenuLayout* layout, std::vector<uint32_t>* fills, std::string* why) {
    if (!is_well_formed(s) || s.width < 3 || s.height < 2) {
        *why = "the menu window is too small to be a drawn menu";
        return false;
    }
    const int w = s.width, h = s.height;
    const uint32_t light = colour_at(s, 0, 0), dark = colour_at(s, w - 1, h - 1);
    int frame = 0;
    while (frame < max_frame_width && frame < w / 2 && frame < h / 2 &&
           colour_at(s, w - 1 - frame, h - 1 - frame) == dark) {
        ++frame;
    }
    if (light == dark || frame == 0 || w - 2 * frame <= 0 || h - 2 * frame < 0 ||
        !area_is(s, 0, 0, w - frame, frame, light) || !area_is(s, 0, 0, frame, h - frame, light) ||
        !area_is(s, frame, h - frame, w, h, dark) || !area_is(s, w - frame, frame, w, h, dark)) {
        *why = "the menu window does not show a finished menu frame";
        return false;
    }
    const int inner_width = w - 2 * frame, inner_height = h - 2 * frame;
    fills->clear();
    if (inner_height == 0) {  // a menu without entries is just its frame
        *layout = MenuLayout{frame, 0, 0, 0};
        return true;
    }
    std::vector<std::vector<std::pair<uint32_t, int>>> rows;
    for (int r = 0; r < inner_height; ++r) rows.push_back(count_colours(s, frame + r, frame, w - frame));
    std::vector<char> inked(static_cast<size_t>(inner_height));
    for (int entry_height = min_entry_height; entry_height <= inner_height; ++entry_height) {
        if (inner_height % entry_height != 0) continue;
        const int entries = inner_height / entry_height;
        fills->clear();
        bool fits = true;
        for (int e = 0; e < entries && fits; ++e) {
            const int top = e * entry_height;
            const uint32_t fill = main_colour(rows, top, top + entry_height);
            bool any_ink = false;
            for (int r = top; r < top + entry_height; ++r) {
                inked[r] = count_of(rows[r], fill) < inner_width;
                any_ink = any_ink || inked[r];
            }
            fits = any_ink && (e == 0 || !(inked[top - 1] && inked[top]));
            fills->push_back(fill);
        }
        if (!fits) continue;
        // The fill most entries share is the plain one: at most one entry is under the pointer.
        uint32_t background = fills->front();
        long best = 0;
        for (uint32_t f : *fills) {
            long n = std::count(fills->begin(), fills->end(), f);
            if (n > best) {
                best = n;
                background = f;
            }
        }
        *layout = MenuLayout{frame, entry_height, entries, background};
        return true;
    }
    fills->clear();
    *why = "the menu's rows could not be told apart (" + std::to_string(inner_height) +
           " pixel lines of entries; is some label blank?)";
    return false;
}

// The entry s shows under the pointer: its index, -1 if none, -2 if s does not show a menu laid out as layout.
int highlighted_entry(const Screenshot& s, const MenuLayout& layout) {
    MenuLayout now;
    std::vector<uint32_t> fills;
    std::string why;
    if (!read_menu_picture(s, &now, &fills, &why) || now.frame != layout.frame ||
        now.entry_height != layout.entry_height || now.entries != layout.entries) {
        return -2;
    }
    int found = -1;
    for (int e = 0; e < now.entries; ++e) {
        if (fills[e] == layout.background) continue;
        if (found >= 0) return -2;
        found = e;
    }
    return found;
}

bool is_open_menu(const ViewerProcess* p, const TopLevelWindow& w) {
    return w.viewable && w.override_redirect && w.id != p->window &&
           std::find(p->windows_before.begin(), p->windows_before.end(), w.id) == p->windows_before.end();
}

// The viewer's open menus, bottom of the stack first: a menu is raised as it opens, so the last is the newest.
bool list_open_menus(const ViewerProcess* p, std::vector<TopLevelWindow>* out) {
    out->clear();
    std::vector<TopLevelWindow> all;
    if (!list_top_level_windows(p, &all)) {
        fprintf(stderr, "e2e: menu: cannot list the windows on the display\n");
        return false;
    }
    for (const TopLevelWindow& w : all) {
        if (is_open_menu(p, w)) out->push_back(w);
    }
    return true;
}

bool same_place(const TopLevelWindow& a, const TopLevelWindow& b) {
    return a.id == b.id && a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

bool contains_window(const std::vector<TopLevelWindow>& list, unsigned long id) {
    return std::any_of(list.begin(), list.end(), [id](const TopLevelWindow& w) { return w.id == id; });
}

std::string describe(const TopLevelWindow& w) {
    char buf[96];
    snprintf(buf, sizeof buf, "0x%lx %dx%d at (%d, %d)", w.id, w.width, w.height, w.x, w.y);
    return buf;
}

// Waits until one menu is open, in the same place on two looks in a row; true with it in *menu. False with a
// message after timeout_ms, or at once if the viewer ends.
bool wait_for_first_menu(const ViewerProcess* p, int timeout_ms, const std::string& after, TopLevelWindow* menu) {
    Clock::time_point start = Clock::now();
    TopLevelWindow candidate;
    std::vector<TopLevelWindow> open;
    for (;;) {
        if (!is_running(p)) {
            fprintf(stderr, "e2e: menu: the viewer ended while waiting for its menu after %s\n", after.c_str());
            return false;
        }
        if (!list_open_menus(p, &open)) return false;
        if (open.size() == 1 && same_place(candidate, open[0])) {
            *menu = open[0];
            return true;
        }
        candidate = open.size() == 1 ? open[0] : TopLevelWindow();
        if (elapsed_ms(start) >= timeout_ms) {
            fprintf(stderr, "e2e: menu: no menu opened within %d ms after %s (%zu open)\n", timeout_ms, after.c_str(),
                    open.size());
            return false;
        }
        sleep_ms(poll_interval_ms);
    }
}

// Has the menu drawn afresh and reads its layout; false with a message if no finished picture shows in time.
bool wait_for_layout(const ViewerProcess* p, const TopLevelWindow& menu, int timeout_ms, MenuLayout* layout) {
    Clock::time_point start = Clock::now();
    long long asked_at = -redraw_interval_ms;
    std::string why = "it could not be read";
    for (;;) {
        long long now = elapsed_ms(start);
        if (now - asked_at >= redraw_interval_ms) {
            request_redraw(p, menu.id);
            asked_at = now;
        }
        Screenshot shot;
        std::vector<uint32_t> fills;
        if (capture_window_id(p, menu.id, &shot) && read_menu_picture(shot, layout, &fills, &why)) return true;
        if (!is_running(p) || now >= timeout_ms) {
            fprintf(stderr, "e2e: menu: cannot read the entries of menu %s within %d ms: %s\n",
                    describe(menu).c_str(), timeout_ms, why.c_str());
            return false;
        }
        sleep_ms(poll_interval_ms);
    }
}

// The screen point in the middle of entry index of menu.
void entry_centre(const OpenMenu& menu, int index, int* x, int* y) {
    *x = menu.window.x + menu.window.width / 2;
    *y = menu.window.y + menu.layout.frame + index * menu.layout.entry_height + menu.layout.entry_height / 2;
}

// Waits until every open menu has closed; false (saying so unless quiet) after timeout_ms.
bool wait_for_no_menus(const ViewerProcess* p, int timeout_ms, bool quiet) {
    Clock::time_point start = Clock::now();
    std::vector<TopLevelWindow> open;
    for (;;) {
        if (list_open_menus(p, &open) && open.empty()) return true;
        if (elapsed_ms(start) >= timeout_ms) {
            if (!quiet) fprintf(stderr, "e2e: menu: %zu menu(s) still open after %d ms\n", open.size(), timeout_ms);
            return false;
        }
        sleep_ms(poll_interval_ms);
    }
}

// After pointing at entry index of the newest menu (so nothing is above `open`), waits until it shows that entry
// under the pointer with no submenu opened; false with a message otherwise.
bool wait_for_plain_entry(const ViewerProcess* p, const std::vector<OpenMenu>& open, int index, int timeout_ms) {
    const OpenMenu& menu = open.back();
    std::vector<TopLevelWindow> below;
    for (const OpenMenu& m : open) below.push_back(m.window);
    Clock::time_point start = Clock::now();
    int shown = -2;
    for (;;) {
        if (!is_running(p)) {
            fprintf(stderr, "e2e: menu: the viewer ended while pointing at entry %d\n", index);
            return false;
        }
        std::vector<TopLevelWindow> now;
        if (!list_open_menus(p, &now)) return false;
        if (now.size() > below.size() && !contains_window(below, now.back().id)) {
            fprintf(stderr, "e2e: menu: entry %d of menu %s opens a submenu; the path must go on into it\n", index,
                    describe(menu.window).c_str());
            return false;
        }
        Screenshot shot;
        if (capture_window_id(p, menu.window.id, &shot)) shown = highlighted_entry(shot, menu.layout);
        if (shown == index) return true;
        if (elapsed_ms(start) >= timeout_ms) {
            fprintf(stderr, "e2e: menu: entry %d of menu %s was not shown under the pointer within %d ms (%s)\n",
                    index, describe(menu.window).c_str(), timeout_ms,
                    shown >= 0 ? ("entry " + std::to_string(shown) + " was").c_str()
                               : shown == -1 ? "no entry was" : "the menu could not be read");
            return false;
        }
        sleep_ms(poll_interval_ms);
    }
}

// After pointing at entry index of the newest menu, waits for the submenu it opens and reads it into *submenu. The
// parent must show that entry under the pointer too, unless the submenu hides part of it, so a misplaced pointer
// that happened to open another submenu is caught. False with a message if the entry opens nothing, the viewer
// ends, or timeout_ms pass.
bool wait_for_submenu(const ViewerProcess* p, const std::vector<OpenMenu>& open, int index, int timeout_ms,
                      OpenMenu* submenu) {
    const OpenMenu& menu = open.back();
    std::vector<TopLevelWindow> below;
    for (const OpenMenu& m : open) below.push_back(m.window);
    const std::string what = "entry " + std::to_string(index) + " of menu " + describe(menu.window);
    Clock::time_point start = Clock::now();
    TopLevelWindow candidate;
    long long plain_since = -1;
    std::vector<TopLevelWindow> now;
    for (;;) {
        if (!is_running(p)) {
            fprintf(stderr, "e2e: menu: the viewer ended while pointing at %s\n", what.c_str());
            return false;
        }
        if (!list_open_menus(p, &now)) return false;
        const bool grown = now.size() == below.size() + 1 && !contains_window(below, now.back().id) &&
                           std::all_of(below.begin(), below.end(),
                                       [&now](const TopLevelWindow& w) { return contains_window(now, w.id); });
        const bool settled = grown && same_place(candidate, now.back());
        candidate = grown ? now.back() : TopLevelWindow();
        Screenshot shot;
        const int shown = capture_window_id(p, menu.window.id, &shot) ? highlighted_entry(shot, menu.layout) : -2;
        if (settled && (shown == index || shown == -2)) break;  // -2: the submenu hides part of its parent
        const long long t = elapsed_ms(start);
        if (!grown && shown == index) {
            if (plain_since < 0) plain_since = t;
            if (t - plain_since >= plain_entry_grace_ms) {
                fprintf(stderr, "e2e: menu: %s opens no submenu; a path ends at such an entry\n", what.c_str());
                return false;
            }
        } else {
            plain_since = -1;
        }
        if (t >= timeout_ms) {
            fprintf(stderr, "e2e: menu: no submenu opened within %d ms after pointing at %s (%s; %zu menus open)\n",
                    timeout_ms, what.c_str(),
                    shown >= 0 ? ("entry " + std::to_string(shown) + " shown under the pointer").c_str()
                               : shown == -1 ? "no entry shown under the pointer" : "its picture unreadable",
                    now.size());
            return false;
        }
        sleep_ms(poll_interval_ms);
    }
    submenu->window = now.back();
    long long left = std::max<long long>(timeout_ms - elapsed_ms(start), poll_interval_ms);
    return wait_for_layout(p, submenu->window, static_cast<int>(left), &submenu->layout);
}

// What an open menu looked like on the screen just before it closed.
struct MenuPicture {
    TopLevelWindow window;
    Screenshot shot;
};

// Captures every open menu as it shows on the screen (a part hidden by another menu shows that one, as on screen).
// With finished_only, a menu not yet drawn (which shows what lies under it, so would pass for its own ghost) is
// asked to draw and waited for briefly, and left out if it still shows no finished menu.
std::vector<MenuPicture> capture_menus(const ViewerProcess* p, const std::vector<TopLevelWindow>& open,
                                       bool finished_only) {
    std::vector<MenuPicture> pictures;
    for (const TopLevelWindow& w : open) {
        MenuPicture m;
        m.window = w;
        bool usable = false;
        Clock::time_point start = Clock::now();
        for (bool asked = false;; asked = true) {
            usable = capture_window_id(p, w.id, &m.shot) && is_well_formed(m.shot) && m.shot.width == w.width &&
                     m.shot.height == w.height;
            MenuLayout layout;
            std::vector<uint32_t> fills;
            std::string why;
            if (!usable || !finished_only || read_menu_picture(m.shot, &layout, &fills, &why)) break;
            usable = false;
            if (elapsed_ms(start) >= unfinished_menu_wait_ms) break;
            if (!asked) request_redraw(p, w.id);
            sleep_ms(poll_interval_ms);
        }
        if (usable) pictures.push_back(std::move(m));
    }
    return pictures;
}

// Share of the part of menu m over the viewer's window (at wx, wy in shot) whose pixels still equal m's picture;
// -1 when none of m lies over the window.
double share_still_shown(const Screenshot& shot, int wx, int wy, const MenuPicture& m) {
    const int x0 = std::max(m.window.x, wx), y0 = std::max(m.window.y, wy);
    const int x1 = std::min(m.window.x + m.shot.width, wx + shot.width);
    const int y1 = std::min(m.window.y + m.shot.height, wy + shot.height);
    if (x1 <= x0 || y1 <= y0) return -1;
    long same = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            same += colour_at(shot, x - wx, y - wy) == colour_at(m.shot, x - m.window.x, y - m.window.y);
        }
    }
    return static_cast<double>(same) / (static_cast<double>(x1 - x0) * (y1 - y0));
}

// After the menus closed, waits until the viewer has painted over where they were: until then its window still
// shows them (nothing keeps a copy of what a menu covered), and a screenshot taken then would show the menus.
// True at once if the viewer has ended; false with a message after timeout_ms.
bool wait_for_repaint(const ViewerProcess* p, const std::vector<MenuPicture>& menus, int timeout_ms) {
    Clock::time_point start = Clock::now();
    for (;;) {
        if (!is_running(p)) return true;
        int wx = 0, wy = 0, ww = 0, wh = 0;
        Screenshot shot;
        bool seen = read_window_geometry(p, &wx, &wy, &ww, &wh) && capture_window(p, &shot) && is_well_formed(shot);
        if (seen) {
            bool ghost = false;
            for (const MenuPicture& m : menus) ghost = ghost || share_still_shown(shot, wx, wy, m) >= ghost_share;
            if (!ghost) return true;
        }
        if (elapsed_ms(start) >= timeout_ms) {
            if (!is_running(p)) return true;
            fprintf(stderr, "e2e: menu: the viewer did not paint over its closed menus within %d ms%s\n",
                    timeout_ms, seen ? "" : " (its window could not be read)");
            return false;
        }
        sleep_ms(poll_interval_ms);
    }
}

// Makes sure no menu is open, right-clicks at (x, y) and reads the menu that opens into *open.
bool open_main_menu(const ViewerProcess* p, int x, int y, std::vector<OpenMenu>* open) {
    std::vector<TopLevelWindow> open_now;
    if (!list_open_menus(p, &open_now)) return false;
    if (!open_now.empty()) {
        dismiss_menus(p);
        if (!list_open_menus(p, &open_now) || !open_now.empty()) return false;
    }
    if (!click_mouse(p, x, y, menu_button)) return false;
    open->assign(1, OpenMenu());
    const std::string after = "the right click at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return wait_for_first_menu(p, step_timeout_ms, after, &open->front().window) &&
           wait_for_layout(p, open->front().window, step_timeout_ms, &open->front().layout);
}

// Checks that index names an entry of the newest menu and points at its middle, given back in *x, *y.
bool point_at_entry(const ViewerProcess* p, const std::vector<OpenMenu>& open, int index, int* x, int* y) {
    const OpenMenu& menu = open.back();
    if (index >= menu.layout.entries) {
        fprintf(stderr, "e2e: menu: entry %d asked for at depth %zu, but menu %s has %d entries\n", index,
                open.size() - 1, describe(menu.window).c_str(), menu.layout.entries);
        return false;
    }
    entry_centre(menu, index, x, y);
    return move_pointer_on_screen(p, *x, *y);
}

// Opens the menu at (x, y) and each submenu along path, leaving them open in *open.
bool open_along(const ViewerProcess* p, int x, int y, const std::vector<int>& path, std::vector<OpenMenu>* open) {
    if (!open_main_menu(p, x, y, open)) return false;
    for (int index : path) {
        int px = 0, py = 0;
        OpenMenu submenu;
        if (!point_at_entry(p, *open, index, &px, &py) ||
            !wait_for_submenu(p, *open, index, step_timeout_ms, &submenu)) {
            return false;
        }
        open->push_back(submenu);
    }
    return true;
}

bool check_path(const ViewerProcess* p, const std::vector<int>& path, bool may_be_empty) {
    if (p->window == 0) {
        fprintf(stderr, "e2e: menu: no viewer window known; call wait_for_window first\n");
        return false;
    }
    if ((path.empty() && !may_be_empty) || std::any_of(path.begin(), path.end(), [](int i) { return i < 0; })) {
        fprintf(stderr, "e2e: menu: a menu path to choose needs at least one entry index, none negative\n");
        return false;
    }
    return true;
}

}  // namespace

bool choose_menu_entry(const ViewerProcess* p, int x, int y, const std::vector<int>& path) {
    if (!check_path(p, path, false)) return false;
    std::vector<OpenMenu> open;
    const std::vector<int> submenus(path.begin(), path.end() - 1);
    const int index = path.back();
    int px = 0, py = 0;
    bool ok = open_along(p, x, y, submenus, &open) && point_at_entry(p, open, index, &px, &py) &&
              wait_for_plain_entry(p, open, index, step_timeout_ms);
    std::vector<MenuPicture> pictures;
    if (ok) {
        std::vector<TopLevelWindow> windows;
        for (const OpenMenu& m : open) windows.push_back(m.window);
        pictures = capture_menus(p, windows, false);  // all were read, so all are drawn
        ok = click_on_screen(p, px, py, menu_button);
    }
    if (ok && !wait_for_no_menus(p, close_timeout_ms, true)) {
        fprintf(stderr, "e2e: menu: menus stayed open after clicking entry %d of menu %s\n", index,
                describe(open.back().window).c_str());
        ok = false;
    }
    if (!ok) {
        if (is_running(p)) dismiss_menus(p);
        return false;
    }
    return wait_for_repaint(p, pictures, repaint_timeout_ms);
}

bool open_menu_path(const ViewerProcess* p, int x, int y, const std::vector<int>& path) {
    if (!check_path(p, path, true)) return false;
    std::vector<OpenMenu> open;
    bool ok = open_along(p, x, y, path, &open);
    if (!ok && is_running(p)) dismiss_menus(p);
    return ok;
}

int count_open_menu_entries(const ViewerProcess* p) {
    if (p->window == 0) {
        fprintf(stderr, "e2e: menu: no viewer window known; call wait_for_window first\n");
        return -1;
    }
    std::vector<TopLevelWindow> open;
    if (!list_open_menus(p, &open) || open.empty()) return -1;
    MenuLayout layout;
    if (!wait_for_layout(p, open.back(), step_timeout_ms, &layout)) return -1;
    return layout.entries;
}

void dismiss_menus(const ViewerProcess* p) {
    if (p->window == 0) return;
    std::vector<TopLevelWindow> open;
    for (int attempt = 0; attempt < dismiss_attempts; ++attempt) {
        if (!is_running(p) || !list_open_menus(p, &open) || open.empty()) return;
        // A press on a menu's frame is on the menu but on no entry: all menus close, nothing is chosen, and the
        // viewer never sees the press (a click beside the menus would reach the viewer's own mouse handler). The
        // newest menu is tried first, then older ones, in case a menu does not take clicks on its frame.
        const TopLevelWindow& menu = open[open.size() - 1 - std::min<size_t>(attempt, open.size() - 1)];
        const int corners[4][2] = {{menu.x, menu.y},
                                   {menu.x + menu.width - 1, menu.y},
                                   {menu.x, menu.y + menu.height - 1},
                                   {menu.x + menu.width - 1, menu.y + menu.height - 1}};
        const std::vector<MenuPicture> pictures = capture_menus(p, open, true);
        bool clicked = false;
        for (const auto& c : corners) {
            if (c[0] >= 0 && c[1] >= 0 && click_on_screen(p, c[0], c[1], menu_button)) {
                clicked = true;
                break;
            }
        }
        if (clicked && wait_for_no_menus(p, close_timeout_ms, true)) {
            wait_for_repaint(p, pictures, repaint_timeout_ms);
            return;
        }
    }
    if (is_running(p) && list_open_menus(p, &open) && !open.empty()) {
        fprintf(stderr, "e2e: menu: %zu menu(s) still open after %d attempts to close them\n", open.size(),
                dismiss_attempts);
    }
}
