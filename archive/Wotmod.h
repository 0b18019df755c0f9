// .wotmod packages: their description (meta.xml, mod kinds, file names) and the packer.
#pragma once

#include "archive/WotmodMeta.h"
#include "archive/WotmodPacker.h"
