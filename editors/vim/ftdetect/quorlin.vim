" Quorlin texture scripts.
"
" *.tsc is taken by another file type in Vim's own table, so set the file type
" outright instead of with :setfiletype. Scripts kept as *.txt are recognised by
" their content: the first line that is neither blank nor a comment opens the
" parameter list with UserParams, which every script starts with.
autocmd BufNewFile,BufRead *.tsc set filetype=quorlin
autocmd BufRead *.txt if s:StartsLikeQuorlinScript() | set filetype=quorlin | endif

function! s:StartsLikeQuorlinScript() abort
  for l:line in getline(1, 20)
    if l:line =~# '^\s*\%(#.*\)\=$'
      continue
    endif
    return l:line =~? '^\s*UserParams\%([A-Za-z0-9]\)\@!'
  endfor
  return 0
endfunction
