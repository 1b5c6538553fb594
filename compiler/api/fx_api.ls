// Effects the engine or scripts ask for by name. Steam from the terrain
// comes with a place and an amount; the others act where the player aims.
import spells.aim

void spawn_water_vapor_fx(int x, int z, float height, float amount) {
    // Many small hardenings in one update add up to one cloud, not hundreds.
    HeightmapData::water_vapor_accum += amount;
    if (HeightmapData::water_vapor_accum < 0.3f) return;
    HeightmapData::water_vapor_accum = 0.f;
    steam_cloud(Vec3(float(x) + 0.5f, height, float(z) + 0.5f), 2, 2.f);
}

void spawn_fireball_fx() { fire_burst(player_aim_point(), 6, 1.f, 0.5f); }
void fireball_explode_fx() { explosion(player_aim_point(), 1.f); }
void spawn_waterball_missile_fx() { splash(player_aim_point(), 12, 4.f); }
void spawn_magic_missile_fx() { magic_glow(player_aim_point(), 2.f, 0xffd080ff); }
void spawn_water_source_fx() { splash(player_aim_point(), 10, 3.f); }
void spawn_water_sink_fx() { magic_glow(player_aim_point(), 2.f, 0xff203080); }
void spawn_meteor_fx() { fire_burst(player_aim_point() + Vec3(0, 20, 0), 10, 3.f, 1.f); }
void meteor_explode_fx() { explosion(player_aim_point(), 3.f); }
void wyvern_death_fx() { explosion(player_aim_point(), 1.5f); }
void spawn_spellobj_fx() { sparks(player_aim_point(), 20, 5.f, 0xffd080ff); }
void lightning_hit_fx() { sparks(player_aim_point(), 12, 6.f, 0xffd0e0ff); }
void spawn_volcano_smoke_fx() { smoke_puffs(player_aim_point(), 6, 4.f, 2.f, 3.f); }
void init_fx_data() { fx_ramps(); }

void init_inst_render() {}
void do_inst_render() { flush_object_meshes(); }
void render_building(GameObjSurfaceRecord* surface, int x, int z) {
    (void)surface;
    draw_house_tile(x, z);
}
