# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the extension's shared core as an ES module: the same code, with
# its classes exported.
file(READ ${SOURCE} core)
file(WRITE ${TARGET} "${core}\nexport {QuilletBridge, QuilletExtension};\n")
