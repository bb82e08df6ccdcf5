#version 440 core

// No colour: only the stencil counts of the sphere's faces matter.
void main()
{
}
