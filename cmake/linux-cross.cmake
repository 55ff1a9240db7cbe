# Build for Linux on a processor that the tests run on under qemu-user,
# with Debian's compiler for it (PRIMEPACK_CROSS_PROCESSOR: aarch64, s390x,
# or x86_64 as another x86-64 processor), linked statically so that qemu
# runs the tool and the tests with no libraries of that processor. With
# PRIMEPACK_QEMU_CPU, qemu emulates that processor model in every test,
# however the tests are started.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${PRIMEPACK_CROSS_PROCESSOR})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PRIMEPACK_CROSS_PROCESSOR PRIMEPACK_QEMU_CPU)

set(triplet ${PRIMEPACK_CROSS_PROCESSOR}-linux-gnu)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(QEMU_PROGRAM qemu-${PRIMEPACK_CROSS_PROCESSOR})
if(QEMU_PROGRAM AND PRIMEPACK_QEMU_CPU)
  # One program that the tests take as their emulator, the model with it.
  file(WRITE ${CMAKE_BINARY_DIR}/qemu-user "#!/bin/sh\nQEMU_CPU='${PRIMEPACK_QEMU_CPU}' exec '${QEMU_PROGRAM}' \"$@\"\n")
  file(CHMOD ${CMAKE_BINARY_DIR}/qemu-user PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                     WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/qemu-user)
elseif(QEMU_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_PROGRAM})
endif()
