// The world map: the whole wrapping world as the terrain renderer draws it,
// with the player's place and heading, and in play (Tab held) marks for
// portals, strongholds and spells lying in the world.
import screens.hud_kit
import objects.buildings

namespace hud {

// A place of the world on a map drawn at (x0, y0) `size` pixels wide.
inline void map_point(float x0, float y0, float size, float wx, float wz, float* mx, float* my) {
    constexpr float W = float(HeightmapData::HMAP_SIZE);
    *mx = x0 + (wx - floorf(wx / W) * W) / W * size;
    *my = y0 + (wz - floorf(wz / W) * W) / W * size;
}

// The map image in a framed square; false when there is none yet.
inline bool draw_map_image(float x0, float y0, float size) {
    Texture* map = HeightmapRenderer::mapTex;
    if (!map) return false;
    float s = scale();
    render_rounded_box(gui_batch, _mm_setr_ps(x0 - 5 * s, y0 - 5 * s, x0 + size + 5 * s, y0 + size + 5 * s),
                       _mm_set1_ps(6 * s), 0xE0101820, 1.f, 6 * s, 1.f, 1.f, 0x80FFD890, 1.f);
    init_ui_image_state(ui_image_state, map, nullptr);
    render_ui_image(gui_batch, ui_image_state, _mm_setr_ps(x0, y0, x0 + size, y0 + size), 0xFFFFFFFF,
                    _mm_setr_ps(0, 0, 1, 1));
    return true;
}

// The eye: a dot and a stroke along its heading.
inline void draw_map_eye(float x0, float y0, float size, float r) {
    const float* eye = cur_view_itm.m[3];
    const float* fwd = cur_view_itm.m[2];
    float mx, my;
    map_point(x0, y0, size, eye[0], eye[2], &mx, &my);
    float fl = sqrtf(fwd[0] * fwd[0] + fwd[2] * fwd[2]);
    if (fl > 1e-3f) {
        float k = 4.5f * r / fl;
        render_ui_line(gui_batch, _mm_setr_ps(mx, my, mx + fwd[0] * k, my + fwd[2] * k), 0.5f * r, 0xFFFFE070);
    }
    render_rounded_box(gui_batch, _mm_setr_ps(mx - r, my - r, mx + r, my + r), _mm_set1_ps(r), 0xFFFFE070, 1.f, 0.f,
                       1.f, 1.f, 0xFF202020, 1.f);
}

template <class T>
void mark_all(DynArray<T*>& list, float x0, float y0, float size, const char* name, float px, D3dColor c) {
    for (T* o : list) {
        if (o->destroyState != OBJ_ALIVE) continue;
        float mx, my;
        map_point(x0, y0, size, o->pos.x, o->pos.z, &mx, &my);
        icon(name, mx, my, px, c, 0xFF202020, 0xFFFFFFFF);
    }
}

// Tab in play: the map large above the spell bar (whose top is at
// `bottom`), with its marks and a key.
inline void draw_play_map(float bottom) {
    float s = scale(), top = 20 * s, key = text_size(18) + 16 * s;
    float size = fminf(bottom - top - key, 0.7f * float(d3d_wd));
    if (size < 64.f) return;
    float x0 = 0.5f * (float(d3d_wd) - size), y0 = top;
    if (!draw_map_image(x0, y0, size)) return;
    float px = fmaxf(14.f, 26.f * s);
    mark_all(CastleObject_list, x0, y0, size, "castle", px * 1.2f, 0xFFE05040);
    mark_all(GuardTower_list, x0, y0, size, "guard_tower", px, 0xFFE07040);
    mark_all(WorldPortal_list, x0, y0, size, "portal", px, 0xFFD080FF);
    for (SpellObject* o : SpellObject_list) {
        if (o->destroyState != OBJ_ALIVE) continue;
        float mx, my;
        map_point(x0, y0, size, o->pos.x, o->pos.z, &mx, &my);
        icon(spell_info(o->kind).name, mx, my, px, spell_info(o->kind).color, 0xFFFFFFFF, 0xFFFFFFFF);
    }
    draw_map_eye(x0, y0, size, fmaxf(3.f, 6.f * s));
    float ty = y0 + size + 10 * s, ts = text_size(18);
    text(0.5f * float(d3d_wd), ty, DIST_ALIGN_TOP, menu::TEXT, ts,
         "You (yellow)    Castle / tower: red    Portal: violet    Spells: their colour");
}

}  // namespace hud
