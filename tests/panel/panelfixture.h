#pragma once

#include "fixedmotion.h"
#include "storefixture.h"
