// Where the player arrives in a new world and which way the view faces:
// over land or water with open sky ahead, not into a cliff a few units
// away. The place the player came from is tried first, then others.
import world.terrain_query

struct StartView {
    Vec3 eye;
    float yaw = 0.f;   // the camera's heading: 0 looks along +z
    float open = 0.f;  // how far the ground stays below the eye across the view
};

// Height of the eye above the ground where the player arrives.
constexpr float START_EYE_HEIGHT = 14.f;
// Ahead of a start the ground stays this far below the eye for at least
// START_OPEN_REACH units; a view open for START_GOOD_REACH ends the search.
constexpr float START_EYE_MARGIN = 1.f;
constexpr float START_OPEN_REACH = 20.f;
constexpr float START_GOOD_REACH = 60.f;
constexpr int START_HEADINGS = 16;
// A view is as open as the least open of three rays: ahead and this far
// (radians) to either side, so no hillside fills half of it.
constexpr float START_VIEW_SPREAD = 0.35f;
constexpr int START_PLACES = 48;

inline Vec3 heading_dir(float yaw) { return Vec3(-sinf(yaw), 0.f, cosf(yaw)); }

// Which way the view faces: the camera's heading (0 looks along +z) and
// pitch, as the last update left it.
struct ViewHeading {
    float yaw = 0.f, pitch = 0.f;
};

inline ViewHeading current_view_heading() {
    const float* forward = cur_view_itm.m[2];
    return {atan2f(-forward[0], forward[2]), asinf(clampf(forward[1], -1.f, 1.f))};
}

inline void face_view(const ViewHeading& view) {
    if (auto heading = set_view_heading_service()) heading(view.yaw, view.pitch);
}

// Turns the camera along the start's heading, looking a little down.
inline void face_start_view(float yaw) { face_view({yaw, -0.12f}); }

// How far from the eye along the heading the ground stays below it, up to
// START_GOOD_REACH.
inline float open_distance(const Vec3& eye, float yaw) {
    Vec3 dir = heading_dir(yaw);
    for (float d = 1.f; d <= START_GOOD_REACH; d += 1.f) {
        Vec3 p = eye + dir * d;
        if (surface_height(p.x, p.z) > eye.y - START_EYE_MARGIN) return d - 1.f;
    }
    return START_GOOD_REACH;
}

// The best heading from an eye at (x, z), START_EYE_HEIGHT over the ground.
inline StartView best_view_from(float x, float z) {
    StartView best;
    best.eye = Vec3(x, surface_height(x, z) + START_EYE_HEIGHT, z);
    best.open = -1.f;
    for (int h = 0; h < START_HEADINGS; h++) {
        float yaw = float(h) * (6.2831853f / float(START_HEADINGS));
        float open = fminf(open_distance(best.eye, yaw),
                           fminf(open_distance(best.eye, yaw - START_VIEW_SPREAD), open_distance(best.eye, yaw + START_VIEW_SPREAD)));
        if (open > best.open) best.yaw = yaw, best.open = open;
    }
    return best;
}

// From (x, z) or the first of some other places with a wide view; the most
// open one seen when none is wide. Where nothing is open (a world of tall
// peaks all round), the eye rises over the ground ahead.
inline StartView find_start_view(float x, float z) {
    StartView best = best_view_from(x, z);
    for (int i = 0; i < START_PLACES && best.open < START_GOOD_REACH; i++) {
        StartView v = best_view_from(hmfrnd(), hmfrnd());
        if (v.open > best.open) best = v;
    }
    if (best.open < START_OPEN_REACH) {
        Vec3 dir = heading_dir(best.yaw);
        float top = best.eye.y;
        for (float d = 1.f; d <= START_OPEN_REACH; d += 1.f) {
            Vec3 p = best.eye + dir * d;
            top = fmaxf(top, surface_height(p.x, p.z) + START_EYE_MARGIN + 0.5f);
        }
        best.eye.y = top;
    }
    return best;
}
