#version 330 core
#include "shaders/inst_building_vs.sh"
#include "shaders/inst_deferred_ps.sh"
