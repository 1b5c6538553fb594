// Where the player aims: the surface under the crosshair (the middle of the
// view), or a point far ahead when the view meets nothing.
import objects.buildings

inline Vec3 player_aim_point() {
    Vec3 eye(cur_view_itm.m[3][0], cur_view_itm.m[3][1], cur_view_itm.m[3][2]);
    Vec3 fwd(cur_view_itm.m[2][0], cur_view_itm.m[2][1], cur_view_itm.m[2][2]);
    Vec3 hit;
    if (fwd.length() > 0.5f && ray_hit_surface(eye, fwd, 250.f, &hit)) return hit;
    Vec3 far = wrap_position(eye + fwd.normalized() * 150.f);
    far.y = fmaxf(far.y, surface_height(far.x, far.z));
    return far;
}
