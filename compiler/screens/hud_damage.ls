// Where a hit came from: a red arc at the edge of the view, on the side of
// whatever hurt the player, fading over a few seconds and turning with the
// camera, so the player can look round and find the attacker.
import screens.hud_kit

namespace hud {

struct DamageArc {
    Vec3 from;
    float time = 0.f;  // seconds left
};
constexpr int DAMAGE_ARCS = 4;
constexpr float DAMAGE_ARC_SECONDS = 3.f;
inline DamageArc damage_arcs[DAMAGE_ARCS];

inline void clear_damage_arcs() {
    for (DamageArc& a : damage_arcs) a.time = 0.f;
}

inline void update_damage_arcs(float dt) {
    for (DamageArc& a : damage_arcs) a.time = fmaxf(0.f, a.time - dt);
}

// The angle of `from` seen from the camera, clockwise from straight ahead.
inline float bearing_from_camera(const Vec3& from) {
    const float* eye = cur_view_itm.m[3];
    const float* right = cur_view_itm.m[0];
    const float* fwd = cur_view_itm.m[2];
    Vec3 d = world_delta(Vec3(eye[0], eye[1], eye[2]), from);
    return atan2f(d.x * right[0] + d.z * right[2], d.x * fwd[0] + d.z * fwd[2]);
}

// Where a place of the world shows on the screen; false behind the eye.
inline bool screen_point(const Vec3& at, float* sx, float* sy) {
    const float* eye = cur_view_itm.m[3];
    Vec3 p = Vec3(eye[0], eye[1], eye[2]) + world_delta(Vec3(eye[0], eye[1], eye[2]), at);
    const Matrix44& m = cur_glob_tm;
    float clip[4];
    for (int j = 0; j < 4; j++) clip[j] = p.x * m.m[0][j] + p.y * m.m[1][j] + p.z * m.m[2][j] + m.m[3][j];
    if (clip[3] <= 0.1f) return false;
    *sx = (clip[0] / clip[3] * 0.5f + 0.5f) * float(d3d_wd);
    *sy = (0.5f - clip[1] / clip[3] * 0.5f) * float(d3d_ht);
    return *sx >= 0 && *sy >= 0 && *sx <= float(d3d_wd) && *sy <= float(d3d_ht);
}

// An arc on an ellipse just inside the screen's edge, centred on the side
// the hit came from; and where the attacker is in view, a ring round it.
inline void draw_damage_arcs() {
    float s = scale();
    float cx = 0.5f * float(d3d_wd), cy = 0.5f * float(d3d_ht);
    float rx = 0.44f * float(d3d_wd), ry = 0.4f * float(d3d_ht);
    for (const DamageArc& a : damage_arcs) {
        if (a.time <= 0.f) continue;
        float mid = bearing_from_camera(a.from);
        float alpha = clampf(a.time / 1.5f, 0.f, 1.f);
        constexpr int SEGMENTS = 12;
        constexpr float HALF_SPAN = 0.4f;  // radians each side
        for (int i = 0; i < SEGMENTS; i++) {
            float t0 = mid - HALF_SPAN + 2.f * HALF_SPAN * float(i) / SEGMENTS;
            float t1 = mid - HALF_SPAN + 2.f * HALF_SPAN * float(i + 1) / SEGMENTS;
            // Thickest in the middle of the arc.
            float k = 1.f - fabsf(float(i) + 0.5f - SEGMENTS / 2.f) / (SEGMENTS / 2.f);
            D3dColor c = with_alpha(0xE0FF2010, alpha * (0.4f + 0.6f * k));
            render_ui_line(gui_batch,
                           _mm_setr_ps(cx + sinf(t0) * rx, cy - cosf(t0) * ry, cx + sinf(t1) * rx, cy - cosf(t1) * ry),
                           (4.f + 8.f * k) * s, c);
        }
        float sx, sy;
        if (screen_point(a.from, &sx, &sy)) {
            float r = (14.f + 10.f * (1.f - alpha)) * s;
            render_rounded_box(gui_batch, _mm_setr_ps(sx - r, sy - r, sx + r, sy + r), _mm_set1_ps(r), 0, 1.f, 0, 1.f,
                               1.f, with_alpha(0xFFFF3020, alpha), fmaxf(1.5f, 3.f * s));
        }
    }
}

}  // namespace hud

void note_player_hurt(const Vec3& from) {
    using namespace hud;
    DamageArc* slot = &damage_arcs[0];
    for (DamageArc& a : damage_arcs)
        if (a.time < slot->time) slot = &a;
    slot->from = from;
    slot->time = DAMAGE_ARC_SECONDS;
}
