/* A host as small as they come: load the driver, ask its version and the
 * outcome of an exchange that has not happened yet. */
#include <stdio.h>

#include <dru01000.h>

int main(void) {
    printf("dru01000 %s, last exchange %d\n", dru_version(), (int)dru_last_exchange(NULL));
    return dru_last_exchange(NULL) == DRU_EXCHANGE_NONE ? 0 : 1;
}
