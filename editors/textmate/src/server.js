// Which quorlin-lsp the extension starts: the path setting when the user
// gave one in their own settings, else the server bundled in a
// platform-specific package (server/<platform>-<arch>/quorlin-lsp, ".exe" on
// Windows), else the quorlin-lsp found on PATH (the package for every
// platform bundles none).
'use strict';

const fs = require('node:fs');
const path = require('node:path');

const PATH_COMMAND = 'quorlin-lsp';

// The folder and file name that scripts/package-vsix gives a target's server.
function bundledServer(extensionPath, platform, arch) {
  const name = platform === 'win32' ? 'quorlin-lsp.exe' : 'quorlin-lsp';
  return path.join(extensionPath, 'server', `${platform}-${arch}`, name);
}

// The path setting as the user (or the machine) gave it, from the result of
// WorkspaceConfiguration.inspect(): a workspace's or folder's value would let
// a folder that is opened choose the program to start, so it is not read,
// whatever scope the setting is given.
function userServerPath(inspected) {
  return inspected?.globalValue ?? inspected?.defaultValue;
}

function serverCommand({ configured, extensionPath, platform = process.platform, arch = process.arch, exists = fs.existsSync }) {
  if (typeof configured === 'string' && configured.trim() !== '') {
    return configured;
  }
  const bundled = bundledServer(extensionPath, platform, arch);
  return exists(bundled) ? bundled : PATH_COMMAND;
}

module.exports = { PATH_COMMAND, bundledServer, userServerPath, serverCommand };
