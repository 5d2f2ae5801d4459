#pragma once

// Registers the database linked into the program as the resource "ResBuild" of type "mdb", the
// resource the window writes to its working copy at start.
void registerEmbeddedDatabase();
