// The universe map: the worlds of the universe table as icons linked to
// their neighbours, panned and zoomed with the mouse; a world's tooltip
// comes from the world script, and a click on it travels there.
import screens.menu_kit

namespace menu {

// Where a world is drawn and how far its icon reaches, in screen pixels.
struct WorldMark {
    float x, y, radius;
};

inline float world_coord(const sqbind::SqObject& w, const char* name) { return w.getSlot(name).toFloat(); }

struct UniverseMap : GuiElement {
    UniverseView view;
    mutable int tipWorld = -1;
    mutable char tip[512] = "";

    UniverseMap() {
        attachBehavior(&gui_hittest_box_handler);
        attachBehavior(&tooltip_box_behavior);
        attachBehavior(&uni_viewer_behavior);
        float size = universe.isNull() ? 1000.f : universe.getSlot("size").toFloat();
        if (!(size > 0)) size = 1000.f;
        view.minX = view.minY = 0;
        view.maxX = view.maxY = size;
        view.cx = view.cy = 0.5f * size;
        view.extent = 1.1f * size;
    }
    UniverseView* universeView() override { return &view; }
    void layout(float px0, float py0, float px1, float py1) override {
        GuiElement::layout(px0, py0, px1, py1);
        float side = fminf(x1 - x0, y1 - y0);
        if (!(view.extent > 0) || side <= 0) return;
        view.scale = side / view.extent;
        view.offsetX = 0.5f * (x0 + x1) - view.cx * view.scale;
        view.offsetY = 0.5f * (y0 + y1) - view.cy * view.scale;
    }
    int worldCount() const { return worlds.isNull() ? 0 : worlds.size(); }
    WorldMark mark(int i) const {
        sqbind::SqObject w = worlds[i];
        float r = fmaxf(7.f, 14.f * view.scale * 1000.f / fmaxf(view.maxX, 1.f));
        return {view.offsetX + world_coord(w, "x") * view.scale, view.offsetY + world_coord(w, "y") * view.scale,
                fminf(r, 26.f * ui_scale())};
    }
    // The world whose icon holds the point; -1 for none.
    int worldAt(float x, float y) const {
        int best = -1;
        float bestD = 1e30f;
        for (int i = 0; i < worldCount(); i++) {
            WorldMark m = mark(i);
            float d = (m.x - x) * (m.x - x) + (m.y - y) * (m.y - y);
            float reach = m.radius + 4.f;
            if (d <= reach * reach && d < bestD) {
                best = i;
                bestD = d;
            }
        }
        return best;
    }
    const char* tooltipText() const override {
        float mx, my;
        getMousePos(&mx, &my);
        int i = worldAt(mx, my);
        if (i < 0) return nullptr;
        if (i != tipWorld) {
            tipWorld = i;
            sqbind::SqObject text = get_world_tooltip(worlds[i]);
            const char* s = text.type() == OT_STRING ? text.toString() : "";
            snprintf(tip, sizeof(tip), "%s", s);
        }
        return tip[0] ? tip : nullptr;
    }
    void draw(float dt) override {
        float s = ui_scale();
        int n = worldCount();
        float mx, my;
        getMousePos(&mx, &my);
        int hot = worldAt(mx, my);
        // Links first, under the icons.
        for (int i = 0; i < n; i++) {
            sqbind::SqObject links = worlds[i].getSlot("links");
            WorldMark a = mark(i);
            for (int k = 0; links.type() == OT_ARRAY && k < links.size(); k++) {
                int j = links[k].toInt();
                if (j <= i || j >= n) continue;
                WorldMark b = mark(j);
                render_ui_line(gui_batch, _mm_setr_ps(a.x, a.y, b.x, b.y), 1.5f * s, 0x5080A0C0);
            }
        }
        for (int i = 0; i < n; i++) {
            sqbind::SqObject w = worlds[i];
            WorldMark m = mark(i);
            int danger = w.getSlot("danger").toInt();
            float t = float(danger - 1) / 4.f;
            D3dColor fill = mix_color(0xFF48B060, 0xFFC04030, t);
            D3dColor halo = 0;
            if (w.getSlot("visited").toBool()) halo = 0x8090C0FF;
            if (i == hot) halo = 0xC0FFD890;
            render_world_icon(gui_batch, m.x, m.y, m.radius * (i == hot ? 1.2f : 1.f), fill, 0xFFE8E8E8, halo);
            const char* name = w.getSlotString("name");
            if (name)
                draw_text(default_font, m.x - 100 * s, m.y + m.radius + 2 * s, m.x + 100 * s, m.y + m.radius + 24 * s,
                          DIST_ALIGN_TOP, i == hot ? TITLE : TEXT, 18 * s, name);
        }
        draw_text(title_font, 0, 12 * s, float(d3d_wd), 80 * s, DIST_ALIGN_TOP, TITLE, 56 * s, "Choose a world");
        GuiElement::draw(dt);
    }
};

// Travels to world i: it becomes the script's current world and the
// universe closes into play.
inline void travel_to_world(int i) {
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm || worlds.isNull() || i < 0 || i >= worlds.size()) return;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, "cur_world", -1);
    worlds[i].push(vm);
    sq_newslot(vm, -3, SQFalse);
    sq_settop(vm, top);
    should_close_game_menu = true;
}

struct UniverseScreen : Screen {
    UniverseMap* map = nullptr;
    float pressX = 0, pressY = 0;
    bool pressing = false;
    void build() override {
        map = new UniverseMap;
        root->addChild(map);
        Column* col = new Column;
        col->top = 0.9f;
        col->width = 220;
        col->rowHeight = 40;
        col->panel = false;
        // First among the children, so its button wins hit tests over the map.
        root->insertChild(0, col);
        addButton(col, "Main menu", [](int) { go_to_main_menu(); });
    }
    void escape() override {
        later([](int) { go_to_main_menu(); }, 0);
    }
    // A click (a press and release without dragging) on a world travels.
    void processInputEvent(NewGuiInputEvent& ev, BaseGuiElement* target) override {
        Screen::processInputEvent(ev, target);
        if (ev.in.type == INPUT_BUTTON_DOWN && ev.in.key == VK_LBUTTON) {
            pressing = target == map;
            pressX = ev.in.x;
            pressY = ev.in.y;
        } else if (ev.in.type == INPUT_BUTTON_UP && ev.in.key == VK_LBUTTON && pressing) {
            pressing = false;
            float dx = ev.in.x - pressX, dy = ev.in.y - pressY;
            int i = dx * dx + dy * dy <= 16.f ? map->worldAt(ev.in.x, ev.in.y) : -1;
            if (i >= 0) later(travel_to_world, i);
        }
    }
    void detachFromModule() override {
        map = nullptr;
        Screen::detachFromModule();
    }
};

inline ModuleScreenFactory universe_maker() { return &make_screen<UniverseScreen>; }

// A new game's universe is made here; a loaded one is shown as it is.
inline void open_universe() {
    if (universe.isNull()) generate_universe();
    show_screen(universe_screen, universe_maker());
}

}  // namespace menu
