// Where the player aims: the surface under the crosshair (the middle of the
// view), or a point far ahead when the view meets nothing. Both stay within
// half the world's width: a point further on is nearer through the world's
// other side, and a missile would fly there, backwards.
import objects.buildings

inline Vec3 player_aim_point() {
    Vec3 eye(cur_view_itm.m[3][0], cur_view_itm.m[3][1], cur_view_itm.m[3][2]);
    Vec3 fwd(cur_view_itm.m[2][0], cur_view_itm.m[2][1], cur_view_itm.m[2][2]);
    Vec3 hit;
    constexpr float AIM_REACH = 120.f;
    if (fwd.length() > 0.5f && ray_hit_surface(eye, fwd, AIM_REACH, &hit)) return hit;
    Vec3 far = wrap_position(eye + fwd.normalized() * AIM_REACH);
    far.y = fmaxf(far.y, surface_height(far.x, far.z));
    return far;
}
