// The universe map: the worlds of the universe table as icons linked to
// their neighbours, panned and zoomed with the mouse; a world's tooltip
// comes from the world script, and a click on it travels there.
import screens.menu_kit
import screens.script_values
import screens.world_code_entry

namespace menu {

// Where a world is drawn and how far its icon reaches, in screen pixels.
struct WorldMark {
    float x, y, radius;
};

inline void open_enter_world(int world);

// Green for a gentle world, red for the most dangerous.
inline D3dColor world_danger_color(int danger) {
    return mix_color(0xFF48B060, 0xFFC04030, float(danger - 1) / 4.f);
}

inline float world_coord(const sqbind::SqObject& w, const char* name) { return slot_float(w, name, 0.f); }

// A world's name on the map; the map places it beside its world where it
// covers no other name and no world.
struct WorldLabel : GuiElement {
    char name[64] = "";
    bool hot = false;
    void draw(float dt) override {
        float s = ui_scale();
        draw_text(default_font, x0 - 40 * s, y0, x1 + 40 * s, y1, 0, hot ? TITLE : TEXT, LABEL_SIZE * s, name);
        GuiElement::draw(dt);
    }
    static constexpr float LABEL_SIZE = 18;  // design pixels
};

// Area of the overlap of two boxes (x0, y0, x1, y1).
inline float box_overlap(const float* a, const float* b) {
    float w = fminf(a[2], b[2]) - fmaxf(a[0], b[0]), h = fminf(a[3], b[3]) - fmaxf(a[1], b[1]);
    return w > 0 && h > 0 ? w * h : 0.f;
}

struct UniverseMap : GuiElement {
    static constexpr float MAP_TOP = 76, MAP_BOTTOM = 64;  // design pixels
    UniverseView view;
    mutable int tipWorld = -1;
    bool menuOpen = false;  // a world's menu is open: no tooltip over it
    mutable char tip[512] = "";

    UniverseMap() {
        attachBehavior(&gui_hittest_box_handler);
        attachBehavior(&tooltip_box_behavior);
        attachBehavior(&uni_viewer_behavior);
        float size = slot_float(universe, "size", 1000.f);
        if (!(size > 0)) size = 1000.f;
        view.minX = view.minY = 0;
        view.maxX = view.maxY = size;
        view.cx = view.cy = 0.5f * size;
        view.extent = 1.1f * size;
    }
    UniverseView* universeView() override { return &view; }
    // One label per world, named from the universe table.
    void syncLabels() {
        int n = worldCount();
        while (children.num > n) delete children[children.num - 1];
        while (children.num < n) addChild(new WorldLabel);
        for (int i = 0; i < n; i++) {
            const char* name = slot_text(worlds[i], "name", "");
            snprintf(static_cast<WorldLabel*>(children[i])->name, sizeof(WorldLabel::name), "%s", name);
        }
    }
    // Each name goes to the first place around its world that overlaps no
    // name placed before it, no world and no edge; failing that, the place
    // that overlaps least.
    void placeLabels() {
        syncLabels();
        float s = ui_scale(), h = WorldLabel::LABEL_SIZE * s * 1.25f, pad = 3 * s;
        int n = worldCount();
        constexpr int KEPT = 256;
        WorldMark marks[KEPT];
        for (int i = 0; i < n && i < KEPT; i++) marks[i] = mark(i);
        float placed[KEPT][4];
        for (int i = 0; i < n && i < KEPT; i++) {
            auto* label = static_cast<WorldLabel*>(children[i]);
            WorldMark m = marks[i];
            float w = text_width(default_font, label->name, WorldLabel::LABEL_SIZE * s) + 2 * pad;
            float below = m.y + m.radius + pad, above = m.y - m.radius - pad - h, side = m.radius + 2 * pad;
            const float spots[][2] = {
                {m.x - w / 2, below},         {m.x - w / 2, above},          {m.x + side, m.y - h / 2},
                {m.x - side - w, m.y - h / 2}, {m.x + side * 0.7f, below},    {m.x - side * 0.7f - w, below},
                {m.x + side * 0.7f, above},    {m.x - side * 0.7f - w, above}, {m.x - w / 2, below + h},
                {m.x - w / 2, above - h},
            };
            float best = 1e30f;
            for (const auto& spot : spots) {
                float box[4] = {spot[0], spot[1], spot[0] + w, spot[1] + h};
                float cost = 0.f;
                for (int j = 0; j < i; j++) cost += box_overlap(box, placed[j]);
                for (int j = 0; j < n && j < KEPT; j++) {
                    float r = marks[j].radius;
                    float icon[4] = {marks[j].x - r, marks[j].y - r, marks[j].x + r, marks[j].y + r};
                    cost += box_overlap(box, icon);
                }
                if (box[0] < x0 || box[2] > x1 || box[1] < y0 || box[3] > y1) cost += w * h;
                if (cost < best) {
                    best = cost;
                    memcpy(placed[i], box, sizeof(box));
                }
                if (cost <= 0.f) break;
            }
            label->x0 = placed[i][0];
            label->y0 = placed[i][1];
            label->x1 = placed[i][2];
            label->y1 = placed[i][3];
        }
    }
    void layout(float px0, float py0, float px1, float py1) override {
        GuiElement::layout(px0, py0, px1, py1);
        // The worlds keep clear of the title above and the button below.
        float s = ui_scale(), top = y0 + MAP_TOP * s, bottom = y1 - MAP_BOTTOM * s;
        float side = fminf(x1 - x0, bottom - top);
        if (!(view.extent > 0) || side <= 0) return;
        view.scale = side / view.extent;
        view.offsetX = 0.5f * (x0 + x1) - view.cx * view.scale;
        view.offsetY = 0.5f * (top + bottom) - view.cy * view.scale;
        placeLabels();
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
        int i = menuOpen ? -1 : worldAt(mx, my);
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
        // Each world's place once per frame; links look them up.
        constexpr int KEPT = 256;
        WorldMark marks[KEPT];
        for (int i = 0; i < n && i < KEPT; i++) marks[i] = mark(i);
        auto place = [&](int i) { return i < KEPT ? marks[i] : mark(i); };
        // Links first, under the icons.
        for (int i = 0; i < n; i++) {
            sqbind::SqObject links = slot_value(worlds[i], "links");
            WorldMark a = place(i);
            for (int k = 0; links.type() == OT_ARRAY && k < links.size(); k++) {
                int j = links[k].toInt();
                if (j <= i || j >= n) continue;
                WorldMark b = place(j);
                render_ui_line(gui_batch, _mm_setr_ps(a.x, a.y, b.x, b.y), 1.5f * s, 0x5080A0C0);
            }
        }
        for (int i = 0; i < n; i++) {
            sqbind::SqObject w = worlds[i];
            WorldMark m = place(i);
            D3dColor fill = world_danger_color(table_int(w, "danger", 1));
            D3dColor halo = 0;
            if (slot_value(w, "visited").toBool()) halo = 0x8090C0FF;
            if (i == hot) halo = 0xC0FFD890;
            render_world_icon(gui_batch, m.x, m.y, m.radius * (i == hot ? 1.2f : 1.f), fill, 0xFFE8E8E8, halo);
            // A cleared world carries a check mark.
            if (slot_value(w, "cleared").toBool())
                drawCheck(m.x + m.radius * 0.9f, m.y - m.radius * 0.9f, fmaxf(m.radius * 2.f, 16.f * s));
        }
        // The names follow the view as it pans and zooms.
        placeLabels();
        for (int i = 0; i < children.num && i < n; i++) static_cast<WorldLabel*>(children[i])->hot = i == hot;
        drawLegend();
        draw_text(title_font, 0, 12 * s, float(d3d_wd), 80 * s, DIST_ALIGN_TOP, TITLE, 56 * s, "Choose a world");
        GuiElement::draw(dt);
    }
    // What the colours and the mark mean, in the bottom right corner.
    void drawLegend() const {
        float s = ui_scale(), size = 16 * s, row = 22 * s, r = 7 * s;
        float x = x1 - 160 * s, y = y1 - 16 * s - 5 * row;
        draw_panel_box(x - 10 * s, y - 8 * s, x + 150 * s, y + 5 * row + 6 * s, 10, 6);
        draw_text(default_font, x, y, x + 140 * s, y + row, DIST_ALIGN_LEFT, TITLE, size, "Danger");
        const int levels[] = {1, 3, 5};
        const char* names[] = {"1  gentle", "3  fierce", "5  deadly"};
        for (int k = 0; k < 3; k++) {
            float cy = y + row * float(k + 1) + row / 2;
            render_world_icon(gui_batch, x + r, cy, r, world_danger_color(levels[k]), 0xFFE8E8E8, 0);
            draw_text(default_font, x + 3 * r, cy - row / 2, x + 140 * s, cy + row / 2, DIST_ALIGN_LEFT, TEXT, size,
                      names[k]);
        }
        float cy = y + row * 4 + row / 2;
        drawCheck(x + r, cy, 2 * r);
        draw_text(default_font, x + 3 * r, cy - row / 2, x + 140 * s, cy + row / 2, DIST_ALIGN_LEFT, TEXT, size,
                  "cleared");
    }
    static void drawCheck(float x, float y, float px) {
        int id = ui_icons.getIconId("check");
        if (id >= 0)
            ui_icons.renderIcon(gui_batch, _mm_setr_ps(x, y, 1, 0), px / fmaxf(ui_icons.getOrgW(id), 1.f), id, 0.f,
                                0.f, 0.f, 0.f, 0, 0xFF70F070, 0, 0, 0);
    }
};

// Travels to world i: it becomes the script's current world and the
// universe closes into play.
inline void travel_to_world(int i) {
    if (i < 0 || i >= world_count()) return;
    set_root_value("cur_world", worlds[i]);
    should_close_game_menu = true;
}

// Set by loading a game that was saved in a world: the universe map, once
// open, goes straight back into that world (one of the map's, or one off the
// map visited by its code).
inline int world_to_resume = -1;
inline char world_code_to_resume[WORLD_CODE_SIZE] = "";

// A world's menu (right click on it): the entries the world script's
// get_world_ctx_menu gives, each a text and an action.
struct WorldMenu : GuiElement {
    static constexpr int MAX_ENTRIES = 8;
    bool open = false;
    int world = -1;
    float atX = 0, atY = 0;
    char actions[MAX_ENTRIES][32] = {};

    WorldMenu() {
        flags |= KIND_POPUP;
        attachBehavior(&gui_hittest_box_handler);
    }
    bool isHidden() const override { return !open; }
    void layout(float px0, float py0, float px1, float py1) override {
        float s = ui_scale(), w = 280 * s, h = 38 * s, gap = 4 * s, pad = 8 * s;
        float height = 2 * pad + children.num * (h + gap) - gap;
        // Beside the mouse, kept inside the screen.
        x0 = fminf(atX, px1 - w - 2 * pad);
        y0 = fminf(atY, py1 - height);
        x0 = fmaxf(x0, px0);
        y0 = fmaxf(y0, py0);
        x1 = x0 + w + 2 * pad;
        y1 = y0 + height;
        for (int i = 0; i < children.num; i++) {
            BaseGuiElement* c = children[i];
            c->x0 = x0 + pad;
            c->x1 = x1 - pad;
            c->y0 = y0 + pad + i * (h + gap);
            c->y1 = c->y0 + h;
        }
    }
    void draw(float dt) override {
        draw_panel(this, 12, 10);
        GuiElement::draw(dt);
    }
};

// The map's buttons, side by side along the bottom of the screen.
struct ButtonRow : GuiElement {
    static constexpr float WIDTH = 300, HEIGHT = 40, GAP = 20, BOTTOM = 14;  // design pixels
    void layout(float px0, float py0, float px1, float py1) override {
        (void)py0;
        float s = ui_scale(), w = WIDTH * s, gap = GAP * s;
        float total = float(children.num) * (w + gap) - gap;
        x0 = 0.5f * (px0 + px1 - total);
        x1 = x0 + total;
        y1 = py1 - BOTTOM * s;
        y0 = y1 - HEIGHT * s;
        for (int i = 0; i < children.num; i++) {
            BaseGuiElement* c = children[i];
            c->x0 = x0 + float(i) * (w + gap);
            c->x1 = c->x0 + w;
            c->y0 = y0;
            c->y1 = y1;
        }
    }
};

struct UniverseScreen : Screen {
    UniverseMap* map = nullptr;
    WorldMenu* worldMenu = nullptr;
    WorldCodeEntry* codeEntry = nullptr;
    float pressX = 0, pressY = 0;
    int pressButton = 0;
    GuiElement* makeRoot() override { return new LayeredRoot; }
    void build() override {
        map = new UniverseMap;
        root->addChild(map);

        ButtonRow* row = new ButtonRow;
        // First among the children, so its buttons win hit tests over the map.
        root->insertChild(0, row);
        addButton(row, "Enter a world code", [](int) { open_code_entry(); });
        addButton(row, "Main menu", [](int) { go_to_main_menu(); });
        // The world's menu and the code box, when open, lie over everything else.
        worldMenu = new WorldMenu;
        root->insertChild(0, worldMenu);
        codeEntry = new WorldCodeEntry;
        root->insertChild(0, codeEntry);
    }
    void escape() override {
        if (codeEntry->open) later([](int) { close_code_entry(); }, 0);
        else if (worldMenu->open) later([](int) { close_world_menu(); }, 0);
        else later([](int) { go_to_main_menu(); }, 0);
    }
    // A click (a press and release without dragging) on a world shows its
    // card; a right click, its menu. Any press elsewhere closes the menu.
    // For developers and walkthroughs: Ctrl+1 to Ctrl+6 show the card of the
    // first world of that kind (in the script's order of kinds).
    static int first_world_of_kind(int n) {
        sqbind::SqObject kinds = root_value("world_type_names");
        if (kinds.type() != OT_ARRAY || n < 0 || n >= kinds.size()) return -1;
        sqbind::SqObject kind = kinds[n];
        if (kind.type() != OT_STRING) return -1;
        for (int i = 0; i < world_count(); i++) {
            const char* type = slot_text(worlds[i], "type", "");
            if (strcmp(type, kind.toString()) == 0) return i;
        }
        return -1;
    }
    void processInputEvent(NewGuiInputEvent& ev, BaseGuiElement* target) override {
        Screen::processInputEvent(ev, target);
        // While the code box is open, keys type into it and the map rests.
        if (codeEntry->open) {
            if (ev.in.type == INPUT_KEY_DOWN && ev.in.key == VK_RETURN) later([](int) { submit_code(); }, 0);
            else codeEntry->type(ev.in);
            return;
        }
        if (ev.in.type == INPUT_KEY_DOWN && (ev.in.flags & INPUT_CTRL) && ev.in.key >= '1' && ev.in.key <= '6') {
            int world = first_world_of_kind(ev.in.key - '1');
            if (world >= 0) later(open_enter_world, world);
        }
        if (ev.in.type == INPUT_BUTTON_DOWN && (ev.in.key == VK_LBUTTON || ev.in.key == VK_RBUTTON)) {
            pressButton = target == map ? ev.in.key : 0;
            pressX = ev.in.x;
            pressY = ev.in.y;
            if (target == map && worldMenu->open) later([](int) { close_world_menu(); }, 0);
        } else if (ev.in.type == INPUT_BUTTON_UP && ev.in.key == pressButton) {
            int button = pressButton;
            pressButton = 0;
            float dx = ev.in.x - pressX, dy = ev.in.y - pressY;
            int i = dx * dx + dy * dy <= 16.f ? map->worldAt(ev.in.x, ev.in.y) : -1;
            if (i >= 0) later(button == VK_LBUTTON ? open_enter_world : open_world_menu, i);
        }
    }
    static UniverseScreen* current() { return static_cast<UniverseScreen*>(universe_screen); }

    // The code box has its buttons only while it is open.
    static void open_code_entry() {
        UniverseScreen* self = current();
        if (!self || self->codeEntry->open) return;
        close_world_menu();
        self->codeEntry->show();
        self->addButton(self->codeEntry, "Visit", [](int) { submit_code(); });
        self->addButton(self->codeEntry, "Back", [](int) { close_code_entry(); });
        self->map->menuOpen = true;
    }
    static void close_code_entry() {
        UniverseScreen* self = current();
        if (!self) return;
        WorldCodeEntry* e = self->codeEntry;
        while (e->children.num) delete e->children[e->children.num - 1];
        e->hide();
        self->map->menuOpen = false;
    }
    static void submit_code() {
        UniverseScreen* self = current();
        if (self && self->codeEntry->open && self->codeEntry->submit()) close_code_entry();
    }
    static void close_world_menu() {
        UniverseScreen* self = current();
        if (!self) return;
        WorldMenu* m = self->worldMenu;
        while (m->children.num) delete m->children[m->children.num - 1];
        m->open = false;
        m->world = -1;
        self->map->menuOpen = false;
    }
    static void open_world_menu(int i) {
        close_world_menu();
        UniverseScreen* self = current();
        if (!self || i < 0 || i >= world_count()) return;
        sqbind::SqObject entries = get_world_ctx_menu(worlds[i]);
        if (entries.type() != OT_ARRAY || entries.size() == 0) return;
        WorldMenu* m = self->worldMenu;
        for (int k = 0; k < entries.size() && k < WorldMenu::MAX_ENTRIES; k++) {
            sqbind::SqObject e = entries[k];
            const char* text = slot_text(e, "text", nullptr);
            const char* action = slot_text(e, "action", nullptr);
            snprintf(m->actions[k], sizeof(m->actions[k]), "%s", action ? action : "");
            self->addButton(m, text ? text : "?", run_world_action, k);
        }
        m->world = i;
        m->atX = self->pressX + 6 * ui_scale();
        m->atY = self->pressY;
        m->open = true;
        m->markDirty();
        self->map->menuOpen = true;
    }
    // "travel" goes to the world; any other action is the world script's,
    // sent as an event while that world is the current one.
    static void run_world_action(int k) {
        UniverseScreen* self = current();
        if (!self || !self->worldMenu->open) return;
        int world = self->worldMenu->world;
        char action[32];
        snprintf(action, sizeof(action), "%s", self->worldMenu->actions[k]);
        close_world_menu();
        if (world < 0 || world >= world_count()) return;
        if (strcmp(action, "travel") == 0) {
            travel_to_world(world);
            return;
        }
        sqbind::SqObject before = root_value("cur_world");
        set_root_value("cur_world", worlds[world]);
        world_script_str_event(action);
        set_root_value("cur_world", before);
        self->map->tipWorld = -1;  // the world may read differently now
    }
};

inline ModuleScreenFactory universe_maker() { return &make_screen<UniverseScreen>; }

// A new game's universe is made here; a loaded one is shown as it is.
inline void open_universe() {
    if (universe.isNull()) generate_universe();
    show_screen(universe_screen, universe_maker());
    int resume = world_to_resume;
    world_to_resume = -1;
    char code[WORLD_CODE_SIZE];
    snprintf(code, sizeof(code), "%s", world_code_to_resume);
    world_code_to_resume[0] = 0;
    if (resume >= 0) travel_to_world(resume);
    else if (code[0]) visit_world_code(code);
}

}  // namespace menu
