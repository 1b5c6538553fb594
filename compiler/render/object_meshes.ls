// The meshes world objects are drawn with, one instanced renderer each.
// Objects queue instances while the scene draws them; the renderers draw
// all instances of a kind at once at the end of the object pass.
//
// The renderers are engine objects found through the engine's mesh cache;
// this module's copy of the table is made again after a reload.
import world.vec

enum MeshKind {
    MESH_CONIFER1, MESH_CONIFER2, MESH_BROADLEAF1, MESH_BROADLEAF2,
    MESH_CONIFER_BURNT, MESH_BROADLEAF_BURNT,
    MESH_STONE1, MESH_STONE2, MESH_STONE3, MESH_STONE_CUP, MESH_MENHIR1, MESH_MENHIR2,
    MESH_CASTLE_WALL, MESH_CASTLE_TOWER, MESH_CASTLE_GATE, MESH_CASTLE_KEEP, MESH_GUARD_TOWER,
    MESH_MANA_GATHERER, MESH_PORTAL,
    MESH_BIRD, MESH_WYVERN,
    MESH_HOUSE1, MESH_HOUSE2, MESH_HOUSE3, MESH_HOUSE_ROOF,
    MESH_KIND_COUNT
};

enum MeshLayout { LAYOUT_SIMPLE, LAYOUT_MORPH, LAYOUT_SPLINE, LAYOUT_BUILDING };

struct MeshKindInfo {
    const char* file;
    MeshLayout layout;
};

inline const MeshKindInfo& mesh_kind_info(int k) {
    static const MeshKindInfo table[MESH_KIND_COUNT] = {
        {"tree_conifer1", LAYOUT_MORPH}, {"tree_conifer2", LAYOUT_MORPH},
        {"tree_broadleaf1", LAYOUT_MORPH}, {"tree_broadleaf2", LAYOUT_MORPH},
        {"tree_conifer_burnt", LAYOUT_SIMPLE}, {"tree_broadleaf_burnt", LAYOUT_SIMPLE},
        {"stone1", LAYOUT_SIMPLE}, {"stone2", LAYOUT_SIMPLE}, {"stone3", LAYOUT_SIMPLE},
        {"stone_cup", LAYOUT_SIMPLE}, {"menhir1", LAYOUT_SIMPLE}, {"menhir2", LAYOUT_SIMPLE},
        {"castle_wall1", LAYOUT_SIMPLE}, {"castle_tower1", LAYOUT_SIMPLE}, {"castle_gate1", LAYOUT_SIMPLE},
        {"castle_keep1", LAYOUT_SIMPLE}, {"guard_tower1", LAYOUT_SIMPLE},
        {"mana_gatherer", LAYOUT_SIMPLE}, {"portal", LAYOUT_SIMPLE},
        {"bird_body", LAYOUT_SPLINE}, {"wyvern_body", LAYOUT_SPLINE},
        {"house1", LAYOUT_BUILDING}, {"house2", LAYOUT_BUILDING}, {"house3", LAYOUT_BUILDING},
        {"house_roof", LAYOUT_BUILDING},
    };
    return table[k];
}

namespace {
InstRender* mesh_renderers[MESH_KIND_COUNT];
// Instances queued this frame, drawn by flush_object_meshes.
DynArray<uint8_t> queued_instances[MESH_KIND_COUNT];
}  // namespace

inline InstRender* mesh_renderer(int k) {
    if (!mesh_renderers[k]) {
        InstRender* r = nullptr;
        switch (mesh_kind_info(k).layout) {
            case LAYOUT_SIMPLE: r = new SimpleInstRender(); break;
            case LAYOUT_MORPH: r = new MorphInstRender(); break;
            case LAYOUT_SPLINE: r = new SplineInstRender(); break;
            case LAYOUT_BUILDING: r = new BuildingInstRender(); break;
        }
        char file[64];
        snprintf(file, sizeof(file), "meshes/%s.mesh", mesh_kind_info(k).file);
        r->init(file);
        mesh_renderers[k] = r;
    }
    return mesh_renderers[k];
}

inline void queue_instance_bytes(int kind, const void* record, int size) {
    DynArray<uint8_t>& q = queued_instances[kind];
    // A frame that builds land but draws no objects must not pile up records.
    if (q.num > (4 << 20)) q.num = 0;
    int at = q.num;
    q.resize(at + size);
    memcpy(q.data + at, record, size_t(size));
}

// A standing object: turned about y, scaled, tinted (0x80808080 = as made).
inline void draw_mesh(int kind, const Vec3& p, float turn, float scale, D3dColor tint = 0x80808080) {
    SimpleInstance s = make_simple_instance(p.x, p.y, p.z, turn, scale, tint);
    if (mesh_kind_info(kind).layout == LAYOUT_MORPH) {
        MorphInstance m{s, 0};
        queue_instance_bytes(kind, &m, sizeof(m));
    } else {
        queue_instance_bytes(kind, &s, sizeof(s));
    }
}

// A tree between its two shapes (0 green .. 1 charred).
inline void draw_morph_mesh(int kind, const Vec3& p, float turn, float scale, float morph, D3dColor tint = 0x80808080) {
    MorphInstance m{make_simple_instance(p.x, p.y, p.z, turn, scale, tint), D3dColor(clampf(morph, 0, 1) * 255.f) << 16};
    queue_instance_bytes(kind, &m, sizeof(m));
}

// A flying body along four control points, tail to head.
inline void draw_spline_mesh(int kind, const Vec3 pts[4], const Vec3& up, float wingBeat, float halfWidth, float scale,
                             D3dColor tint = 0x80808080) {
    SplineInstance s;
    for (int i = 0; i < 4; i++) s.points[i][0] = pts[i].x, s.points[i][1] = pts[i].y, s.points[i][2] = pts[i].z;
    s.up[0] = s.up[1] = pack_inst_row(up.x, up.y, up.z);
    s.tint = tint;
    auto b = [](float v) { return D3dColor(clampf(v, 0, 1) * 255.f); };
    s.shape = (b(scale / 4.f) << 24) | (b(wingBeat) << 16) | (b(halfWidth / 2.f) << 8);
    queue_instance_bytes(kind, &s, sizeof(s));
}

// A village cell; the terrain leaves these cells to us, and the village's
// houses stand in the heightmap itself. A level cell gets a house on its
// highest corner with its yard reaching down past the lowest; a sloping
// one is roof, following its four corners. x and z are the cell's
// coordinates around the camera, unwrapped.
inline void draw_house_tile(int x, int z) {
    const float* curh = HeightmapRenderer::curh;
    float c[4] = {curh[HeightmapData::cell_index(x, z)], curh[HeightmapData::cell_index(x + 1, z)],
                  curh[HeightmapData::cell_index(x, z + 1)], curh[HeightmapData::cell_index(x + 1, z + 1)]};
    float top = fmaxf(fmaxf(c[0], c[1]), fmaxf(c[2], c[3])), low = fminf(fminf(c[0], c[1]), fminf(c[2], c[3]));
    unsigned h = unsigned(x) * 73856093u ^ unsigned(z) * 19349663u;
    if (top - low > 0.4f) {
        // Alpha 0 marks a roof cell; a little shade keeps the tiles apart.
        unsigned shade = 0x76 + (h >> 8) % 0x12;
        BuildingInstance r{{int16_t(x), int16_t(z)}, {c[0], c[1], c[2], c[3]}, (shade << 16) | (shade << 8) | shade};
        queue_instance_bytes(MESH_HOUSE_ROOF, &r, sizeof(r));
        return;
    }
    BuildingInstance b{{int16_t(x), int16_t(z)}, {top, float(h % 4) * 1.5707963f, 1.f, top - low + 0.5f},
                       0x80808080};
    queue_instance_bytes(MESH_HOUSE1 + int((h >> 2) % 3), &b, sizeof(b));
}

// Every queued instance into its renderer, then drawn.
inline void flush_object_meshes() {
    for (int k = 0; k < MESH_KIND_COUNT; k++) {
        DynArray<uint8_t>& q = queued_instances[k];
        if (q.num == 0) continue;
        InstRender* r = mesh_renderer(k);
        int stride = r->getInstStride();
        int count = q.num / stride;
        if (count > 0) memcpy(r->addInstances(count), q.data, size_t(count) * size_t(stride));
        q.num = 0;
        r->render();
    }
}

// Whether a ball of radius r around p, at its copy nearest the camera, may
// show in the frame's view (the view the scene published for this frame).
inline bool ball_in_view(const Vec3& p, float r) {
    const float* cam = cur_view_itm.m[3];
    Vec3 eye(cam[0], cam[1], cam[2]);
    Vec3 q = eye + world_delta(eye, p);
    alignas(16) float rk[4];
    _mm_store_ps(rk, cur_glob_rk);
    const Matrix44& m = cur_glob_tm;
    float clip[4], ext[4];
    for (int k = 0; k < 4; k++) {
        clip[k] = q.x * m.m[0][k] + q.y * m.m[1][k] + q.z * m.m[2][k] + m.m[3][k];
        ext[k] = r * rk[k];
    }
    float wmax = clip[3] + ext[3];
    if (!(wmax > 0.f)) return false;
    if (clip[0] - ext[0] > wmax || clip[0] + ext[0] < -wmax) return false;
    if (clip[1] - ext[1] > wmax || clip[1] + ext[1] < -wmax) return false;
    return true;
}

// At shutdown: this module's renderers and queues go (the meshes stay with
// the engine's cache).
inline void release_object_meshes() {
    for (int k = 0; k < MESH_KIND_COUNT; k++) {
        delete mesh_renderers[k];
        mesh_renderers[k] = nullptr;
        queued_instances[k].clear();
    }
}

// The shadow balls of every queued instance (the object-shadow pass).
inline void draw_shadow_balls_of_queue(int kind, const Vec3& p, float turn, float scale) {
    float c = cosf(turn) * scale, s = sinf(turn) * scale;
    Matrix44 tm = {{{c, 0, -s, 0}, {0, scale, 0, 0}, {s, 0, c, 0}, {p.x, p.y, p.z, 1}}};
    mesh_renderer(kind)->renderShadowBalls(tm, scale);
}
