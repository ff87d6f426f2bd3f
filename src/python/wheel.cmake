# SPDX-License-Identifier: LGPL-2.1-or-later
# Builds a wheel of the Python package offline with Debian's python3-build, without isolation:
#   cmake -DPYTHON=python3 -DSOURCE_DIR=... -DSTAGE=dir -DOUT=dir -DVERSION=2.2 [-DDLL=path]
#         -P wheel.cmake
# Without DLL the wheel is pure and loads the system's library; with it, the DLL lies inside the
# package and the wheel is tagged win_amd64. The build's chatter is shown only when it fails.
file(REMOVE_RECURSE ${STAGE})
file(COPY ${SOURCE_DIR}/src/python/i2cmodem/__init__.py ${SOURCE_DIR}/src/python/i2cmodem/py.typed
     DESTINATION ${STAGE}/i2cmodem)
file(COPY ${SOURCE_DIR}/src/python/pyproject.toml ${SOURCE_DIR}/LICENSE.LGPL-2.1 DESTINATION ${STAGE})
file(WRITE ${STAGE}/VERSION "${VERSION}\n")
set(tag any)
if(DLL)
    file(COPY ${DLL} DESTINATION ${STAGE}/i2cmodem)
    set(tag win_amd64)
    file(WRITE ${STAGE}/setup.cfg "[bdist_wheel]\nplat_name = ${tag}\n")
endif()
set(wheel ${OUT}/i2cmodem-${VERSION}-py3-none-${tag}.whl)
file(REMOVE ${wheel})
execute_process(COMMAND ${PYTHON} -m build --no-isolation --wheel --outdir ${OUT} ${STAGE}
                RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(failed OR NOT EXISTS ${wheel})
    message(FATAL_ERROR "${log}\nno ${wheel}")
endif()
