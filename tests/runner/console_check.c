/* The runner's first check: a console program starts, writes to standard
 * output, and its exit status reaches the caller. */
#include <stdio.h>

int main(void)
{
    printf("console check: a %d-bit program ran\n", (int)(sizeof(void*) * 8));
    return 42;
}
