-- Texture scripts in Neovim: quorlin-lsp as the language server of the
-- "quorlin" file type, with the budget shown as a code lens (and as an inlay
-- hint where Neovim has them, 0.10 and later). Works with Neovim 0.7, which
-- has vim.lsp.start_client but not vim.lsp.start, and with current releases.
--
--   vim.opt.runtimepath:append("/path/to/quorlin/editors/vim")   -- file type, colours, nobomb
--   vim.opt.runtimepath:append("/path/to/quorlin/editors/nvim")
--   require("quorlin").setup({ cmd = { "quorlin-lsp" } })
local M = {}

local config = { cmd = { "quorlin-lsp" } }
local client_id = nil

-- Code lenses are asked for again after each change; 0.7 has no inlay hints.
local function show_budget(bufnr)
  vim.lsp.codelens.refresh()
  local inlay = vim.lsp.inlay_hint
  if type(inlay) == "table" and inlay.enable then
    pcall(inlay.enable, true, { bufnr = bufnr })
  end
end

local function on_attach(_, bufnr)
  show_budget(bufnr)
  vim.api.nvim_create_autocmd({ "BufEnter", "InsertLeave", "TextChanged" }, {
    buffer = bufnr,
    callback = function() show_budget(bufnr) end,
  })
end

local function client_config()
  return {
    name = "quorlin",
    cmd = config.cmd,
    root_dir = vim.fn.getcwd(),
    on_attach = on_attach,
  }
end

-- One client for every script buffer: vim.lsp.start reuses it by name where
-- it exists; on 0.7 the client is started once and each buffer attached.
local function attach(bufnr)
  if vim.lsp.start then
    vim.lsp.start(client_config(), { bufnr = bufnr })
    return
  end
  if client_id == nil or vim.lsp.get_client_by_id(client_id) == nil then
    client_id = vim.lsp.start_client(client_config())
  end
  if client_id then
    vim.lsp.buf_attach_client(bufnr, client_id)
  end
end

function M.setup(options)
  config = vim.tbl_extend("force", config, options or {})
  local group = vim.api.nvim_create_augroup("quorlin_lsp", { clear = true })
  vim.api.nvim_create_autocmd("FileType", {
    group = group,
    pattern = "quorlin",
    callback = function(args) attach(args.buf) end,
  })
end

return M
