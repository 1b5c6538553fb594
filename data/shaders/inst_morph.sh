#version 330 core
#include "shaders/inst_morph_vs.sh"
#include "shaders/inst_forward_ps.sh"
