#version 330 core
#include "shaders/inst_simple_vs.sh"
#include "shaders/inst_forward_ps.sh"
