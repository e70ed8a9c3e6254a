// The INI reader of our own; see ini_reader.h.
