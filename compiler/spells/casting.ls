// What each spell does where it lands, and casting from the player.
import spells.missiles
import objects.player

inline const char* nearest_portal_hint(const Vec3& at);

inline void dust_cloud(const Vec3& at, float size) {
    for (int i = 0; i < 6; i++)
        blend_particle(at + Vec3(srnd() * size, 0, srnd() * size), Vec3(srnd(), 1.f + frnd(), srnd()), Vec3(),
                       0.5f, 2.f + frnd(), frnd() * 0.3f, size * 0.8f, 0xffa09070, FX_DUST, fx_ramps().smoke,
                       fx_ramps().grow, 0.3f);
}

// Sparkles rising in a ring around the player, below and beside the eye,
// so the healing shows without a glow filling the view.
inline void healing_ring(const Vec3& eye, unsigned color) {
    for (int i = 0; i < 16; i++) {
        float a = float(i) * (6.2831853f / 16.f);
        Vec3 at = eye + Vec3(cosf(a) * 3.f, -2.2f + 0.3f * srnd(), sinf(a) * 3.f);
        glow_particle(at, Vec3(0, 1.2f, 0), Vec3(), 0.f, 1.2f, i * 0.03f, 0.25f, color & 0x80ffffffu, FX_STAR,
                      fx_ramps().magic, fx_ramps().shrink);
    }
}

// A bolt strikes the creature it was aimed at, or else the ground: aimed at
// the open sky it comes down below that point instead of ending in the air.
inline Vec3 lightning_target(const Vec3& aimed, PlacedObject* prey) {
    if (prey && prey->destroyState == OBJ_ALIVE) return prey->pos;
    return Vec3(aimed.x, surface_height(aimed.x, aimed.z), aimed.z);
}

// The player within reach of a blast takes its share; `from` is where the
// blast was sent from.
inline void hurt_player_near(const Vec3& at, float r, float damage, const Vec3& from, const char* by) {
    if (!local_player) return;
    Player* p = static_cast<Player*>(local_player);
    float d = world_distance(p->pos, at);
    if (d < r) p->hurt(damage * (1.f - d / r), from, by);
}

inline void Missile::impact() {
    Vec3 at = pos;
    at.y = fmaxf(at.y, surface_height(at.x, at.z));
    // A fireball that caught a creature bursts in the air and leaves the
    // ground alone.
    bool airborne = at.y > surface_height(at.x, at.z) + 2.f;
    bool wet = !airborne && is_under_water(at.x, at.z);
    switch (kind) {
        case SPELL_FIREBALL:
            // A shot that reaches the player bursts small and short of the
            // eye: the hit reads without blinding the view.
            if (!fromPlayer && local_player && world_distance(player_position(), at) < 5.f) {
                play_sound_at("fireball_hit", at);
                explosion(wrap_position(player_position() - vel.normalized() * 5.f), 0.35f);
                kill_trail_fx(trail);
                trail = -1;
                hurt_player_near(at, 6.f, 20.f, origin, shooter());
                break;
            }
            play_sound_at(wet ? "fireball_hit_water" : "fireball_hit", at);
            if (airborne) {
                explosion(at, 1.f);
            } else if (wet) {
                steam_cloud(at, 8, 2.f);
                splash(at, 12, 5.f);
            } else {
                explosion(at, 1.f);
                blast_crater(at.x, at.z, 2.5f, 1.2f);
            }
            damage_area(at, 5.f, 40.f, HIT_FIRE);
            if (!fromPlayer) hurt_player_near(at, 6.f, 20.f, origin, shooter());
            break;
        case SPELL_WATERBALL:
            play_sound_at("spell_discharge", at);
            splash(at, 30, 7.f);
            // Enough to stand as a pool a few units across, even on a slope.
            pour_fluid(at.x, at.z, 5.f, 600.f);
            damage_area(at, 6.f, 5.f, HIT_WATER);
            break;
        case SPELL_FAULT:
            play_sound_at("spell_discharge", at);
            carve_crack_at(at.x, at.z, vel.x, vel.z);
            dust_cloud(at, 4.f);
            damage_area(at, 8.f, 30.f, HIT_BLAST);
            break;
        case SPELL_HOUSE:
            play_sound_at("spell_discharge", at);
            build_house_at(at.x, at.z);
            dust_cloud(at, 2.f);
            break;
        case SPELL_METEOR:
            play_sound_at("meteor_hit", at);
            explosion(at, 3.f);
            blast_crater(at.x, at.z, 8.f, 4.5f);
            damage_area(at, 12.f, 120.f, HIT_BLAST);
            for (int i = 0; i < 3; i++) {
                Vec3 f = random_in_disc(at.x, at.z, 6.f);
                f.y = ground_height(f.x, f.z);
                if (!is_under_water(f.x, f.z)) start_fire(f, 1.2f, 6.f + 4.f * frnd());
            }
            if (wet) steam_cloud(at, 20, 4.f);
            break;
        case SPELL_HILL:
            play_sound_at("spell_discharge", at);
            create_hill_at(at.x, at.z);
            dust_cloud(at, 4.f);
            break;
        case SPELL_PIT:
            play_sound_at("spell_discharge", at);
            dig_pit_at(at.x, at.z);
            dust_cloud(at, 3.f);
            break;
        case SPELL_VOLCANO: {
            play_sound_at("volcano_explosion", at);
            volcano_cone_at(at.x, at.z);
            explosion(at, 2.f);
            LavaSource* vent = spawn(new LavaSource());
            vent->pos = at;
            vent->rate = 10.f;
            vent->timeLeft = 25.f;
            break;
        }
        case SPELL_WATER_SOURCE:
        case SPELL_WATER_SINK: {
            play_sound_at("spell_discharge", at);
            WaterSource* w = spawn(new WaterSource());
            w->pos = at;
            // A spring runs as a stream that spreads into a pond within
            // seconds; a thin trickle would soak away unseen.
            w->rate = kind == SPELL_WATER_SOURCE ? 45.f : -60.f;
            w->timeLeft = 30.f;
            splash(at, 10, 4.f);
            break;
        }
        case SPELL_THUNDERSTORM: {
            ThunderstormObject* t = spawn(new ThunderstormObject());
            t->pos = at;
            break;
        }
        default:
            break;
    }
}

// The player's spell of that kind flies, or happens, if the player has the
// spell, it is ready and there is mana for it. Returns what went wrong, or
// null on success.
inline const char* cast_spell(int kind, const Vec3& aimed, PlacedObject* prey = nullptr) {
    Player* player = static_cast<Player*>(local_player);
    if (!player) return "no player";
    Spell* spell = grid_spell(kind);
    if (!spell) return "spell not learnt";
    if (!spell->ready()) return "not ready";
    const SpellInfo& info = spell_info(kind);
    if (player->mana < info.mana) return "not enough mana";
    // A fireball or water globe thrown past its reach bursts at the end of
    // it; spells that shape the ground need ground within reach.
    Vec3 target = aimed;
    if (kind == SPELL_FIREBALL || kind == SPELL_WATERBALL) {
        Vec3 d = world_delta(player->pos, aimed);
        if (d.length() > info.range) target = wrap_position(player->pos + d.normalized() * info.range);
    }
    if (info.range > 0.f && world_distance(player->pos, target) > info.range + 0.01f) return "too far";
    switch (kind) {
        case SPELL_HEALING:
            player->health = fminf(player->maxHealth, player->health + 40.f);
            healing_ring(player->pos, info.color);
            break;
        case SPELL_LIGHTNING:
            target = lightning_target(target, prey);
            strike_lightning(target, 45.f);
            play_sound_at("lightning_cast", target);
            break;
        case SPELL_USE_PORTAL:
            if (!player->usePortal()) return nearest_portal_hint(player->pos);
            break;
        default: {
            // Launched a little ahead and below the eye, so the missile's
            // fire does not fill the view as it leaves.
            Vec3 from = player->pos + world_delta(player->pos, target).normalized() * 3.f + Vec3(0, -1.f, 0);
            if (!launch_missile(kind, from, target, true, prey)) return "cannot cast";
            break;
        }
    }
    play_sound_at(info.castSound, player->pos);
    player->mana -= info.mana;
    spell->cooldownLeft = info.cooldown;
    return nullptr;
}
