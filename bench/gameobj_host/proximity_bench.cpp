// Proximity bins against a plain scan of every object, on the same world:
// compare the two "near" figures as a ratio.
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <vector>
#include "gameobj_host/proximity.h"

namespace {

struct Centre {
    float x, z;
};

struct World {
    std::vector<GameObj> objects;
    std::vector<Centre> positions;

    explicit World(int count) : objects(size_t(count)) {
        std::mt19937 rng(12345);
        std::uniform_real_distribution<float> coord(0.0f, 256.0f);
        std::uniform_real_distribution<float> size(0.2f, 3.0f);
        for (GameObj& o : objects) {
            float x = coord(rng), z = coord(rng), r = size(rng);
            positions.push_back({x, z});
            update_proximity(&o, _mm_setr_ps(x - r, z - r, x + r, z + r));
        }
    }
    ~World() {
        for (GameObj& o : objects) remove_proximity_object(&o);
    }
};

float wrapped_distance2(Centre c, float x, float z) {
    float dx = std::remainder(c.x - x, 256.0f), dz = std::remainder(c.z - z, 256.0f);
    return dx * dx + dz * dz;
}

void BM_ProximityBinForBox(benchmark::State& state) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> coord(-300.0f, 300.0f);
    static float corners[1024][2];
    for (auto& c : corners) c[0] = coord(rng), c[1] = coord(rng);
    size_t i = 0;
    for (auto _ : state) {
        const float* c = corners[i++ & 1023];
        benchmark::DoNotOptimize(proximity_bin_for_box(_mm_setr_ps(c[0], c[1], c[0] + 5, c[1] + 5)));
    }
}
BENCHMARK(BM_ProximityBinForBox);

// A moving object that stays in its bin costs one comparison.
void BM_UpdateProximitySameBin(benchmark::State& state) {
    GameObj o;
    update_proximity(&o, _mm_setr_ps(1, 1, 2, 2));
    float t = 0;
    for (auto _ : state) {
        t = t > 4 ? 0 : t + 0.01f;
        update_proximity(&o, _mm_setr_ps(1 + t, 1, 2 + t, 2));
    }
    remove_proximity_object(&o);
}
BENCHMARK(BM_UpdateProximitySameBin);

// Objects walking across the world, changing bins now and then.
void BM_UpdateProximityMoving(benchmark::State& state) {
    World world(int(state.range(0)));
    float t = 0;
    for (auto _ : state) {
        t += 0.5f;
        for (size_t i = 0; i < world.objects.size(); i++) {
            float x = world.positions[i].x + t, z = world.positions[i].z;
            update_proximity(&world.objects[i], _mm_setr_ps(x - 1, z - 1, x + 1, z + 1));
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UpdateProximityMoving)->Arg(1000);

// Objects within 10 units of a point, found through the bins.
void BM_NearByBins(benchmark::State& state) {
    World world(int(state.range(0)));
    ProximityQuery q;
    float x = 0;
    for (auto _ : state) {
        x = std::fmod(x + 7.3f, 256.0f);
        float z = std::fmod(x * 3.1f, 256.0f);
        q.proximityQuery(_mm_setr_ps(x - 10, z - 10, x + 10, z + 10), false);
        int found = 0;
        while (GameObj* o = q.nextObject()) found += o->proximityBin >= 0;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_NearByBins)->Arg(1000)->Arg(10000);

// The same search by measuring the distance to every object.
void BM_NearByScan(benchmark::State& state) {
    World world(int(state.range(0)));
    float x = 0;
    for (auto _ : state) {
        x = std::fmod(x + 7.3f, 256.0f);
        float z = std::fmod(x * 3.1f, 256.0f);
        int found = 0;
        for (Centre c : world.positions) found += wrapped_distance2(c, x, z) < 100.0f;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_NearByScan)->Arg(1000)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
