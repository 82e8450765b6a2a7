// Vellora's icon, drawn from the same shapes as data/vellora.svg: three covers
// over a mirroring floor on a dark square. Pure: the PNGs of the Linux icon
// theme and the Windows .ico are both written from it.
#pragma once

#include "pictures/picture_writer.h"

// The sizes the icon is drawn in, smallest first (the hicolor sizes; Windows
// takes every one of them into its .ico).
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The icon as a size x size RGB picture, 4 x 4 samples a pixel so that edges
// are smooth at 16 pixels too.
RgbPicture drawIcon(int size);
