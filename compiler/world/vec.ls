// Small 3-D vectors for gameplay code, and the torus geometry of the world:
// every distance and direction is taken to the nearest copy of the target.
import objects.common

struct Vec3 {
    float x = 0, y = 0, z = 0;
    Vec3() = default;
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit Vec3(__m128 v) {
        alignas(16) float f[4];
        _mm_store_ps(f, v);
        x = f[0], y = f[1], z = f[2];
    }
    __m128 m128(float w = 1.f) const { return _mm_setr_ps(x, y, z, w); }
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vec3& operator+=(const Vec3& o) { return *this = *this + o; }
    float length() const { return sqrtf(x * x + y * y + z * z); }
    float flatLength() const { return sqrtf(x * x + z * z); }
    Vec3 normalized() const {
        float l = length();
        return l > 1e-6f ? *this * (1.f / l) : Vec3(0, 0, 0);
    }
};

inline float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline float lerpf(float a, float b, float t) { return a + (b - a) * t; }

// From a to the nearest copy of b on the torus.
inline Vec3 world_delta(const Vec3& a, const Vec3& b) { return {wrap(b.x - a.x), b.y - a.y, wrap(b.z - a.z)}; }
inline float world_distance(const Vec3& a, const Vec3& b) { return world_delta(a, b).length(); }
inline float flat_distance(const Vec3& a, const Vec3& b) { return world_delta(a, b).flatLength(); }
// x and z brought into 0..256.
inline Vec3 wrap_position(Vec3 p) {
    p.x -= floorf(p.x / 256.f) * 256.f;
    p.z -= floorf(p.z / 256.f) * 256.f;
    return p;
}

inline Vec3 player_position() {
    if (!local_player) return {128, 30, 128};
    __m128 p;
    return Vec3(*local_player->getPos(&p));
}

// Light or smoke this near the player's eye would fill the view.
inline bool near_the_eye(const Vec3& p, float r = 6.f) {
    return local_player && world_distance(player_position(), p) < r;
}

// A point in the disc of radius r around (x, z).
inline Vec3 random_in_disc(float x, float z, float r) {
    float a = frnd() * 6.2831853f, d = r * sqrtf(frnd());
    return {x + cosf(a) * d, 0, z + sinf(a) * d};
}
