// The files the service serves as they are in the sources, built into the
// program (cmake/embed_text.cmake): the console page and the interface's
// description.
#pragma once

const char* ConsolePageText();  // tools/serve/console.html
const char* OpenApiText();      // docs/openapi.json
