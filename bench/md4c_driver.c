/* Converts standard input to HTML with md4c, for the throughput comparison. */
#include <md4c-html.h>
#include <stdio.h>
#include <stdlib.h>

static void write_out(const MD_CHAR* text, MD_SIZE size, void* unused) { (void)unused; fwrite(text, 1, size, stdout); }

int main(void) {
  size_t size = 0, capacity = 1 << 20, got;
  char* text = malloc(capacity);
  while ((got = fread(text + size, 1, capacity - size, stdin)) > 0)
    if ((size += got) == capacity) text = realloc(text, capacity *= 2);
  int status = md_html(text, (MD_SIZE)size, write_out, NULL, MD_DIALECT_COMMONMARK, 0);
  free(text);
  return status == 0 ? 0 : 1;
}
