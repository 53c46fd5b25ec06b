// The colours of the whole picture of ANSI art, taken from its cells rather
// than from every composed pixel: the picture of a canvas holds black (its
// margins) and, per cell, its foreground where the glyph sets a pixel and
// its background where it leaves one. Only the text rows that bring a colour
// not seen before are composed, to find the order in which the pixels first
// show their colours: the same list, in the same order, that a census of
// the composed picture (collectColors) gives, so the palette and the PNG
// bytes do not change.
#pragma once

#include <stdint.h>

#include <vector>

#include "render/image_plan.h"

// True when the plan's picture is a canvas's whole picture, nothing blended
// or averaged: its colours are its cells' own and black.
bool colorsFromCells(const ImagePlan& plan);

// The colours of such a plan's picture, in the order the pixels first show
// them; stops past `limit`. Returns the number found, at most limit + 1.
int32_t collectCellColors(const ImagePlan& plan, int32_t limit, std::vector<Pixel>* colors);
