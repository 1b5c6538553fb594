// Objects placed in the world: trees and stones that stand still, and water
// sources that pour water onto their cell.
import objects.common

struct TreeObject : GameObj {
    __m128 pos = _mm_setr_ps(0, 0, 0, 1);
    static DynArray<TreeObject*>& list() { return TreeObject_list; }
    const char* getClassName() override { return "TreeObject"; }
    void update(float dt) override {
        (void)dt;
        update_proximity(this, ground_rect(pos, 0.5f));
    }
};

struct Stone1StaticObject : GameObj {
    __m128 pos = _mm_setr_ps(0, 0, 0, 1);
    static DynArray<Stone1StaticObject*>& list() { return Stone1StaticObject_list; }
    const char* getClassName() override { return "Stone1StaticObject"; }
    void update(float dt) override {
        (void)dt;
        update_proximity(this, ground_rect(pos, 0.5f));
    }
};

struct WaterSource : GameObj {
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
