// World codes on the universe map: the code of a world of the universe,
// and the box where a player types one to visit that world.
import screens.menu_kit
import screens.script_values
import screens.world_code

namespace menu {

inline void travel_to_world(int i);

// The index of a kind of world among the scripts' kinds; -1 when unknown.
inline int world_kind_index(const char* type) {
    sqbind::SqObject kinds = root_value("world_type_names");
    for (int k = 0; kinds.type() == OT_ARRAY && k < kinds.size() && k < WORLD_CODE_KINDS; k++) {
        sqbind::SqObject name = kinds[k];
        if (name.type() == OT_STRING && strcmp(name.toString(), type) == 0) return k;
    }
    return -1;
}

// The code of a world table; false for a world of an unknown kind.
inline bool world_code_of(const sqbind::SqObject& w, char* out) {
    int kind = world_kind_index(slot_text(w, "type", ""));
    if (kind < 0) return false;
    make_world_code(kind, table_int(w, "seed", 0), out);
    return true;
}

// Goes to the world of a code: the universe's own world when it has one of
// that kind and seed, otherwise a visited world outside the map. Null on
// the way, else why not.
inline const char* visit_world_code(const char* text) {
    sqbind::SqObject kinds = root_value("world_type_names");
    int kindCount = kinds.type() == OT_ARRAY ? kinds.size() : 0;
    int kind = 0, seed = 0;
    if (const char* wrong = read_world_code(text, kindCount < WORLD_CODE_KINDS ? kindCount : WORLD_CODE_KINDS, &kind, &seed))
        return wrong;
    sqbind::SqObject type = kinds[kind];
    if (type.type() != OT_STRING) return "That code names no kind of world this game has";
    for (int i = 0; i < world_count(); i++)
        if (strcmp(slot_text(worlds[i], "type", ""), type.toString()) == 0 && table_int(worlds[i], "seed", -1) == seed) {
            travel_to_world(i);
            return nullptr;
        }
    HSQUIRRELVM vm = get_world_script_vm();
    if (!vm) return "No world can be made now";
    char code[WORLD_CODE_SIZE], name[48];
    make_world_code(kind, seed, code);
    snprintf(name, sizeof(name), "World %s", code);
    SQInteger top = sq_gettop(vm);
    sq_newtable(vm);
    auto slot = [&](const char* key, auto push) {
        sq_pushstring(vm, key, -1);
        push();
        sq_newslot(vm, -3, SQFalse);
    };
    slot("id", [&] { sq_pushinteger(vm, -1); });
    slot("name", [&] { sq_pushstring(vm, name, -1); });
    slot("type", [&] { type.push(vm); });
    slot("seed", [&] { sq_pushinteger(vm, seed); });
    slot("danger", [&] { sq_pushinteger(vm, 3); });
    slot("visited", [&] { sq_pushbool(vm, SQFalse); });
    slot("time_spent", [&] { sq_pushfloat(vm, 0.f); });
    slot("links", [&] { sq_newarray(vm, 0); });
    sqbind::SqObject world(vm, -1);
    sq_settop(vm, top);
    set_root_value("cur_world", world);
    should_close_game_menu = true;
    return nullptr;
}

// The box for typing a code, over the map: the code typed so far, what was
// wrong with the last one, and the buttons to visit or to go back.
struct WorldCodeEntry : GuiElement {
    static constexpr int MAX_TYPED = 14;
    bool open = false;
    char typed[MAX_TYPED + 1] = "";
    char message[96] = "";

    WorldCodeEntry() {
        flags |= KIND_POPUP;
        attachBehavior(&gui_hittest_box_handler);
    }
    bool isHidden() const override { return !open; }
    void show() {
        open = true;
        typed[0] = message[0] = 0;
        markDirty();
    }
    void hide() {
        open = false;
        markDirty();
    }
    // A typed key; true when the box took it.
    bool type(const InputEvent& in) {
        if (!open || in.type != INPUT_KEY_DOWN) return false;
        size_t n = strlen(typed);
        if (in.key == VK_BACK) {
            if (n > 0) typed[n - 1] = 0;
            return true;
        }
        for (int c : {in.ch & 0xFF, (in.ch >> 8) & 0xFF})
            if (c > ' ' && c < 127 && n < MAX_TYPED) {
                typed[n++] = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);  // codes are shown in capitals
                typed[n] = 0;
                message[0] = 0;
            }
        return in.ch != 0;
    }
    // Visits the typed code's world, or says what is wrong with it.
    bool submit() {
        const char* wrong = visit_world_code(typed);
        snprintf(message, sizeof(message), "%s", wrong ? wrong : "");
        return wrong == nullptr;
    }
    void layout(float px0, float py0, float px1, float py1) override {
        float s = ui_scale(), w = 540 * s, h = 300 * s;
        float cx = 0.5f * (px0 + px1), cy = 0.5f * (py0 + py1);
        x0 = cx - 0.5f * w;
        x1 = cx + 0.5f * w;
        y0 = cy - 0.5f * h;
        y1 = cy + 0.5f * h;
        float bw = 200 * s, bh = 40 * s, gap = 20 * s;
        for (int i = 0; i < children.num; i++) {
            BaseGuiElement* c = children[i];
            c->x0 = cx - bw - 0.5f * gap + float(i) * (bw + gap);
            c->x1 = c->x0 + bw;
            c->y1 = y1 - 24 * s;
            c->y0 = c->y1 - bh;
        }
    }
    void draw(float dt) override {
        float s = ui_scale();
        render_rounded_box(gui_batch, _mm_setr_ps(0, 0, float(d3d_wd), float(d3d_ht)), _mm_set1_ps(0), 0x80000814,
                           1.f, 0, 1.f, 1.f, 0, 0);
        draw_panel(this, 18, 14);
        draw_text(title_font, x0, y0 + 20 * s, x1, y0 + 80 * s, DIST_ALIGN_TOP, TITLE, 48 * s, "Enter a world code");
        float fx0 = x0 + 90 * s, fx1 = x1 - 90 * s, fy0 = y0 + 100 * s, fy1 = y0 + 150 * s;
        draw_panel_box(fx0, fy0, fx1, fy1, 8, 0, 0xFF101820, 0xFFD0B070);
        char shown[MAX_TYPED + 2];
        snprintf(shown, sizeof(shown), "%s_", typed);
        draw_text(default_font, fx0, fy0, fx1, fy1, 0, TITLE, 32 * s, shown);
        draw_text(default_font, x0, fy1 + 12 * s, x1, fy1 + 44 * s, DIST_ALIGN_TOP, message[0] ? 0xFFFF8070 : TEXT,
                  22 * s, message[0] ? message : "The code is on the card of every world");
        GuiElement::draw(dt);
    }
};

}  // namespace menu
