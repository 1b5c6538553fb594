// Objects placed in the world: trees and stones that stand still, and water
// sources that pour water onto their cell.
import objects.common

struct TreeObject : ModuleObject<GameObj> {
    __m128 pos = _mm_setr_ps(0, 0, 0, 1);
    static DynArray<TreeObject*>& list() { return TreeObject_list; }
    const char* getClassName() override { return "TreeObject"; }
    void update(float dt) override {
        (void)dt;
        update_proximity(this, ground_rect(pos, 0.5f));
    }
};

struct Stone1StaticObject : ModuleObject<GameObj> {
    __m128 pos = _mm_setr_ps(0, 0, 0, 1);
    static DynArray<Stone1StaticObject*>& list() { return Stone1StaticObject_list; }
    const char* getClassName() override { return "Stone1StaticObject"; }
    void update(float dt) override {
        (void)dt;
        update_proximity(this, ground_rect(pos, 0.5f));
    }
};

struct WaterSource : ModuleObject<GameObj> {
    __m128 pos = _mm_setr_ps(0, 0, 0, 1);
    float rate = 1.0f;  // water depth added to the cell per second
    static DynArray<WaterSource*>& list() { return WaterSource_list; }
    const char* getClassName() override { return "WaterSource"; }
    void update(float dt) override {
        alignas(16) float p[4];
        _mm_store_ps(p, pos);
        HeightmapData::Water& cell = HeightmapData::water_at(HeightmapData::cell_index(int(floorf(p[0])), int(floorf(p[2]))));
        cell.amount += rate * dt;
        update_proximity(this, ground_rect(pos, 0.5f));
    }
};

// The scenery every world starts with.
inline void spawn_scenery() {
    static const float TREES[][2] = {{12, 20}, {30, 18}, {22, 44}};
    for (const auto& p : TREES) spawn(new TreeObject())->pos = ground_point(p[0], p[1]);
    spawn(new Stone1StaticObject())->pos = ground_point(16, 36);
    WaterSource* spring = spawn(new WaterSource());
    spring->pos = ground_point(40, 40);
    spring->rate = 0.05f;
}
