# Builds a copy of the program: the one that ships, and the test copies that say they are another
# version. Each carries its version information the way its platform keeps it: the Windows
# version resource (with the dialog, the icon and the manifest), or the block embedded in the
# Linux program's ELF file.

# vg_add_starter_program(<target> VERSION <a.b.c.d> [OUTPUT_NAME <name>] [DEFINITIONS <d>...])
function(vg_add_starter_program target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION;OUTPUT_NAME" "DEFINITIONS")
    set(generated ${CMAKE_BINARY_DIR}/generated/${target})
    if(WIN32)
        string(REPLACE "." "," VG_PRODUCT_VERSION_COMMAS "${arg_VERSION}")
        set(VG_PRODUCT_VERSION "${arg_VERSION}")
        set(resources ${PROJECT_SOURCE_DIR}/src/platform/win32/resources)
        configure_file(${resources}/version_values.h.in ${generated}/version_values.h @ONLY)
        add_executable(${target} WIN32 ${PROJECT_SOURCE_DIR}/src/app/starter_main.cpp
            ${resources}/varnugames_starter.rc)
        target_include_directories(${target} PRIVATE ${generated} ${resources})
        set_source_files_properties(${resources}/varnugames_starter.rc PROPERTIES
            OBJECT_DEPENDS "${resources}/varnugames_starter.manifest;${resources}/varnugames_starter.ico;${resources}/resource.h;${generated}/version_values.h")
        # wWinMain is the entry point.
        target_link_options(${target} PRIVATE -municode)
    else()
        set(version_source ${generated}/embedded_version_info.cpp)
        add_custom_command(OUTPUT ${version_source}
            COMMAND vg-make-version-block
                --out ${version_source}
                --version ${arg_VERSION}
                --language ${VG_VERSION_LANGUAGE}
                --code-page ${VG_VERSION_CODE_PAGE}
                "CompanyName=${VG_VERSION_COMPANY_NAME}"
                "FileDescription=${VG_VERSION_FILE_DESCRIPTION}"
                "FileVersion=${arg_VERSION}"
                "InternalName=${VG_VERSION_INTERNAL_NAME}"
                "LegalCopyright=${VG_VERSION_LEGAL_COPYRIGHT}"
                "OriginalFileName=${VG_VERSION_ORIGINAL_FILE_NAME}"
                "ProductName=${VG_VERSION_PRODUCT_NAME}"
                "ProductVersion=${arg_VERSION}"
            DEPENDS vg-make-version-block
            COMMENT "Embedding the version information block of ${target}"
            VERBATIM)
        add_executable(${target} ${PROJECT_SOURCE_DIR}/src/app/starter_main.cpp ${version_source})
    endif()
    target_link_libraries(${target} PRIVATE vg_core vg_entry vg_compile_options)
    if(arg_DEFINITIONS)
        target_compile_definitions(${target} PRIVATE ${arg_DEFINITIONS})
    endif()
    if(arg_OUTPUT_NAME)
        set_target_properties(${target} PROPERTIES OUTPUT_NAME ${arg_OUTPUT_NAME})
    endif()
endfunction()
