// The world-changing spells by name, acting where the player aims (the
// engine holds these; the spell bar and scripts reach the same code).
import spells.aim

namespace {
Vec3 aim() { return player_aim_point(); }
}  // namespace

void add_source_water() { pour_fluid(aim().x, aim().z, 3.f, 60.f); }
void add_water_source() { launch_missile(SPELL_WATER_SOURCE, player_position(), aim(), true); }
void simulate_water() { HeightmapData::simWater(0.05f); }
void carve_crack() {
    Vec3 a = aim(), d = world_delta(player_position(), a);
    carve_crack_at(a.x, a.z, d.x, d.z);
}
void volcano_cone() { volcano_cone_at(aim().x, aim().z); }
void add_source_lava() { pour_fluid(aim().x, aim().z, 2.f, -40.f); }
void add_magic_volcano() { launch_missile(SPELL_VOLCANO, player_position(), aim(), true); }
void pick_lightning_target() {}
void cast_lightning() { strike_lightning(aim(), 45.f); }
void apply_fireball() { launch_missile(SPELL_FIREBALL, player_position(), aim(), true); }
void add_water_globe() { launch_missile(SPELL_WATERBALL, player_position(), aim(), true); }
void create_hill() { create_hill_at(aim().x, aim().z); }
void calc_land_norm() {}
