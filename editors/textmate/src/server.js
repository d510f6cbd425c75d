// Which quorlin-lsp the extension starts: the path setting when the user
// gave one, else the server bundled in a platform-specific package
// (server/<platform>-<arch>/quorlin-lsp, ".exe" on Windows), else the
// quorlin-lsp found on PATH (the package for every platform bundles none).
'use strict';

const fs = require('node:fs');
const path = require('node:path');

const PATH_COMMAND = 'quorlin-lsp';

// The folder and file name that scripts/package-vsix gives a target's server.
function bundledServer(extensionPath, platform, arch) {
  const name = platform === 'win32' ? 'quorlin-lsp.exe' : 'quorlin-lsp';
  return path.join(extensionPath, 'server', `${platform}-${arch}`, name);
}

function serverCommand({ configured, extensionPath, platform = process.platform, arch = process.arch, exists = fs.existsSync }) {
  if (typeof configured === 'string' && configured.trim() !== '') {
    return configured;
  }
  const bundled = bundledServer(extensionPath, platform, arch);
  return exists(bundled) ? bundled : PATH_COMMAND;
}

module.exports = { PATH_COMMAND, bundledServer, serverCommand };
