#version 330 core
#include "shaders/inst_spline_vs.sh"
#include "shaders/inst_forward_ps.sh"
