-- Texture scripts in Neovim: quorlin-lsp as the language server of the
-- "quorlin" file type, with the budget shown as a code lens (and as an inlay
-- hint where Neovim has them, 0.10 and later), refreshed as you type. Works
-- with Neovim 0.7, which has vim.lsp.start_client but not vim.lsp.start, and
-- with current releases.
--
-- The server answers a change in well under a millisecond, so changes are
-- sent after DEBOUNCE_MS of quiet rather than the client's default 150 ms,
-- which would be all of the time a diagnostic takes to appear.
--
--   vim.opt.runtimepath:append("/path/to/quorlin/editors/vim")   -- file type, colours, nobomb
--   vim.opt.runtimepath:append("/path/to/quorlin/editors/nvim")
--   require("quorlin").setup({ cmd = { "quorlin-lsp" } })
local M = {}

local config = { cmd = { "quorlin-lsp" } }
local DEBOUNCE_MS = 20
local client_id = nil

-- Code lenses are asked for again after each change, also while typing;
-- 0.7 has no inlay hints. The request is made here rather than through
-- vim.lsp.codelens.refresh, which drops a refresh while one is on its way and
-- so could leave the lens of an older text standing. The client sends the
-- pending change before the request, and the server answers in order, so the
-- last answer is that of the current text.
local function show_budget(bufnr)
  local params = { textDocument = { uri = vim.uri_from_bufnr(bufnr) } }
  vim.lsp.buf_request(bufnr, "textDocument/codeLens", params, vim.lsp.codelens.on_codelens)
  local inlay = vim.lsp.inlay_hint
  if type(inlay) == "table" and inlay.enable then
    pcall(inlay.enable, true, { bufnr = bufnr })
  end
end

local function on_attach(_, bufnr)
  show_budget(bufnr)
  vim.api.nvim_create_autocmd({ "BufEnter", "InsertLeave", "TextChanged", "TextChangedI" }, {
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
    flags = { debounce_text_changes = DEBOUNCE_MS },
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
