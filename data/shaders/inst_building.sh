#version 330 core
#include "shaders/inst_building_vs.sh"
#include "shaders/inst_forward_ps.sh"
