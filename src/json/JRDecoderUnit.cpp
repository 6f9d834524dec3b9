// The decoder's hot path is one translation unit, so that the tokenizer, the string scanner and
// the object cache inline into the array and object loops.
#include "JRObjectCache.cpp"
#include "JRStringScanner.cpp"
#include "JSONDecoder.cpp"
