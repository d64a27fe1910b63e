#include "app/startup.h"

int main(int argc, char** argv) {
    return kelto::RunKelto(argc, argv);
}
