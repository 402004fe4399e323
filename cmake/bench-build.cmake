# The budget report's host program: the driver on the host platform, optimised,
# without sanitizers, so pool figures and instruction counts are those of the code.
add_compile_options(-O2 -g)
add_library(quorvane_driver STATIC ${QUORVANE_HOST_DRIVER_SOURCES} ${QUORVANE_FORMS_SOURCES})
target_include_directories(quorvane_driver PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(quorvane_driver PUBLIC QUORVANE_DIAGNOSTICS=0 QUORVANE_HOST=1)
target_compile_options(quorvane_driver PRIVATE -ffreestanding -fno-exceptions -fno-rtti)

file(GLOB QUORVANE_HOSTPLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/hostplatform/*.cpp)
add_library(quorvane_hostplatform STATIC ${QUORVANE_HOSTPLATFORM_SOURCES})
target_link_libraries(quorvane_hostplatform PUBLIC quorvane_driver)

add_executable(quorvane_budget ${CMAKE_SOURCE_DIR}/bench/budget_main.cpp ${CMAKE_SOURCE_DIR}/bench/page_visit.cpp)
target_include_directories(quorvane_budget PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(quorvane_budget PRIVATE quorvane_hostplatform)
