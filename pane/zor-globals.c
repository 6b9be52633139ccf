/* zor-globals.c: creation, lookup and disposal of the pane's context record. */
#include "zor-globals.h"

#include <stdlib.h>

ZOR_PDEContextPtr CreateZORContext(void) {
  return (ZOR_PDEContextPtr)calloc(1, sizeof(ZOR_PDEContext));
}

ZOR_PDEContextPtr GetZORContext(PMPDEContext inContext) {
  return (ZOR_PDEContextPtr)(void*)inContext;
}

void DisposeZORContext(ZOR_PDEContextPtr inZORContext) {
  free(inZORContext);
}
