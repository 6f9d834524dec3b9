// The JSON reader: include this to decode JSON text into JRDictionary/JRArray trees.
#pragma once

#include "json/JRCollections.h"
#include "json/JRObject.h"
#include "json/JSONDecoder.h"
